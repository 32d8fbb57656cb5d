// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <future>
#include <unistd.h>
#ifndef Q_OS_WIN // FIFOs and links are the POSIX systems' own
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

// What happens at the log's path between a run's first and second cycle; a
// FIFO put there comes with its reader's descriptor.
using Between = std::function<void(const QString& path, int& reader)>;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

cycle::CycleResult aCycle() {
    cycle::CycleResult result;
    result.time = QDateTime::fromString("2024-05-01T10:00:00.250Z", Qt::ISODateWithMs);
    result.opened = result.reached = true;
    result.devicePath = "/dev/hidraw0";
    result.deviceSerial = "TPMS-0042";
    result.data.fill(sensor::SensorRecord{0x78, 0x41, 0x50, 0x01});
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Between)

class tst_CycleLog : public QObject {
    Q_OBJECT

    const sensor::UnitState units;
    const QByteArray header = cycle::csvHeader();
    const QByteArray rows = cycle::csvRows(aCycle(), units);
    const cycle::CsvLayout& earlier = cycle::csvLayouts()[1];

private slots:
    // Whatever the path holds at the start or comes to hold during a run:
    // rows of one layout per file, never into someone else's file.
    void layoutsAndSwaps_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<Between>("between");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("goesOn");    // the second cycle is logged
        QTest::addColumn<QString>("said");   // in the notice or the error
        QTest::addColumn<QByteArray>("end"); // at the path, or what the FIFO's reader got

        const Between none;
        QTest::newRow("empty file")
            << QByteArray("") << none << true << true << "" << header + rows + rows + rows;
        QTest::newRow("file holding rows")
            << header + rows << none << true << true << "" << header + rows + rows + rows + rows;
        QTest::newRow("unfinished last line")
            << header + rows.left(40) << none << true << true << ""
            << header + rows.left(40) + "\r\n" + rows + rows + rows;
        const QByteArray lf = QByteArray(header).replace("\r\n", "\n");
        QTest::newRow("LF line ends")
            << lf << none << true << true << "" << lf + rows + rows + rows;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + header << none << true << true << ""
                                         << "\xEF\xBB\xBF" + header + rows + rows + rows;
        QTest::newRow("an extra column")
            << header.chopped(2) + ",note\r\n"
            << none << false << false
            << "(it has the column note, which this version does not write)"
            << header.chopped(2) + ",note\r\n";
        const QByteArray old = cycle::csvHeader(earlier);
        const QByteArray oldRows = cycle::csvRows(aCycle(), units, earlier);
        QTest::newRow("the earlier layout, kept")
            << old << none << true << true << "without serial numbers"
            << old + oldRows + oldRows + oldRows;
        QTest::newRow("another program's file put there")
            << QByteArray() << Between([](const QString& path, int&) {
                   QVERIFY(QFile::rename(path, path + ".1"));
                   write(path, "a,b,c\r\n1,2,3\r\n");
               })
            << true << false << "(its first line is \"a,b,c\")" << QByteArray("a,b,c\r\n1,2,3\r\n");
#ifndef Q_OS_WIN
        QTest::newRow("a link to another file put there")
            << QByteArray() << Between([](const QString& path, int&) {
                   write(path + ".other", "x,y\r\n");
                   QVERIFY(QFile::remove(path) && QFile::link(path + ".other", path));
               })
            << true << false << "does not begin with a header" << QByteArray("x,y\r\n");
#endif
        QTest::newRow("rotated") << QByteArray() << Between([](const QString& path, int&) {
            QVERIFY(QFile::rename(path, path + ".1"));
            write(path, "");
        }) << true << true << "" << header + rows + rows;
        QTest::newRow("cut shorter") << QByteArray() << Between([](const QString& path, int&) {
            QVERIFY(QFile::resize(path, 0));
        }) << true << true << "" << header + rows + rows;
#ifndef Q_OS_WIN
        QTest::newRow("a FIFO put there: one stream, one header")
            << QByteArray() << Between([](const QString& path, int& reader) {
                   QVERIFY(QFile::remove(path));
                   QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                   reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
               })
            << true << true << "" << header + rows + rows;
#endif
    }
    void layoutsAndSwaps() {
        QFETCH(QByteArray, before);
        QFETCH(Between, between);
        QFETCH(bool, opens);
        QFETCH(bool, goesOn);
        QFETCH(QString, said);
        QFETCH(QByteArray, end);
        QTemporaryDir dir;
        const QString path = dir.filePath("bench.csv");
        if (!before.isNull()) {
            write(path, before);
        }
        CycleLog log;

        QCOMPARE(log.open(path) == CycleLog::Opened::Yes, opens);
        int reader = -1;
        if (opens) {
            QVERIFY(log.append(aCycle(), units));
            if (between) {
                between(path, reader);
            }
            QCOMPARE(log.append(aCycle(), units), goesOn);
            QVERIFY(log.append(aCycle(), units)); // logs, or has stopped logging
        }

        QVERIFY2((log.notice() + log.errorString()).contains(said),
                 qPrintable(log.notice() + log.errorString()));
        QByteArray got(4096, '\0');
        got.truncate(reader >= 0 ? ::read(reader, got.data(), got.size()) : 0);
        QCOMPARE(reader >= 0 ? got : contentOf(path), end);
        if (reader >= 0) {
            ::close(reader);
        }
    }

    // A FIFO is one stream: without a reader it is refused at once rather than
    // waited for, and when its reader leaves, logging ends with the reason.
    void fifoReaders() {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFOs");
#else
        const auto reason = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
        QTemporaryDir dir;
        const QString path = dir.filePath("bench.csv");
        const QByteArray name = QFile::encodeName(path);
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        CycleLog unread;
        QCOMPARE(unread.open(path), CycleLog::Opened::CannotOpen);
        QVERIFY2(unread.errorString().endsWith(": " + reason(ENXIO)),
                 qPrintable(unread.errorString()));

        const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
        CycleLog log;
        QCOMPARE(log.open(path), CycleLog::Opened::Yes);
        QVERIFY(log.append(aCycle(), units));
        ::close(reader);
        // As the program does, so that the write fails instead of ending the process.
        const auto previous = std::signal(SIGPIPE, SIG_IGN);
        QVERIFY(!log.append(aCycle(), units));
        std::signal(SIGPIPE, previous);
        QVERIFY2(log.errorString().endsWith(": " + reason(EPIPE)), qPrintable(log.errorString()));
        QVERIFY(!log.isLogging());
#endif
    }

    // Copies logging to one file take turns: one that holds the file's lock
    // keeps the others from looking at its end until its rows are written.
    void copiesTakeTurns() {
        QTemporaryDir dir;
        const QString path = dir.filePath("bench.csv");
        CycleLog log;
        QCOMPARE(log.open(path), CycleLog::Opened::Yes);
        LogFile other;
        QVERIFY(other.open(path, LogFile::Access::ReadAppend) && other.lock(true));

        auto appended = std::async(std::launch::async, [&] { return log.append(aCycle(), units); });
        QCOMPARE(appended.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        QCOMPARE(contentOf(path), QByteArray());
        other.close();
        QVERIFY(appended.get());
        QCOMPARE(contentOf(path), header + rows);
    }
};

QTEST_GUILESS_MAIN(tst_CycleLog)
#include "tst_cyclelog.moc"
