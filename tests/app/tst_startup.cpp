// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"
#include "app/Startup.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

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

    // The runtime folder holds the lock only when no one else can write to it.
    void lockFolder_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("inRuntimeFolder");
        QTest::newRow("the user's alone") << 0700 << true;
        QTest::newRow("its group may write") << 0770 << false;
        QTest::newRow("others may write") << 0707 << false;
    }
    void lockFolder() {
        QFETCH(int, mode);
        QFETCH(bool, inRuntimeFolder);
        QTemporaryDir runtime;
        QTemporaryDir cache;
        QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), mode) == 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));

        const SingleInstance instance;

        QCOMPARE(instance.lockPath().startsWith(runtime.path() + "/"), inRuntimeFolder);
        QVERIFY(instance.lockPath().startsWith(cache.path() + "/") != inRuntimeFolder);
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
