// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"
#include "app/Startup.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void caption_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.3.0: no second dot, no padding") << 1 << 3 << 0 << "Tyrescope - 1.30";
        QTest::newRow("2.10.5") << 2 << 10 << 5 << "Tyrescope - 2.105";
        QTest::newRow("0.0.0") << 0 << 0 << 0 << "Tyrescope - 0.00";
    }
    void caption() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QCOMPARE(windowCaption(major, minor, revision), expected);
    }

    void secondCopyIsRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        SingleInstance first(path);
        QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        SingleInstance second(path);
        QCOMPARE(second.acquire(), SingleInstance::Result::AlreadyRunning);
    }

    void lockOfACrashedCopyIsTakenOver() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        {
            // What a copy that died leaves behind: the file, with whatever it held.
            QFile stale(path);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("left over");
        }
        SingleInstance next(path);
        QCOMPARE(next.acquire(), SingleInstance::Result::Acquired);
    }

    void lockIsFreedWhenTheCopyEnds() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        {
            SingleInstance first(path);
            QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        }
        SingleInstance next(path);
        QCOMPARE(next.acquire(), SingleInstance::Result::Acquired);
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
