// SPDX-License-Identifier: MIT
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/ReceiverLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>
#include <set>
#include <thread>

using namespace std::chrono_literals;

namespace {

int openDescriptors() {
    return static_cast<int>(QDir("/proc/self/fd").count());
}

} // namespace

class tst_HidapiBackend : public QObject {
    Q_OBJECT

private slots:
    void sysfsPath_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("expected"); // empty: none

        QTest::newRow("hidraw0") << "/dev/hidraw0"
                                 << "/sys/class/hidraw/hidraw0/device/report_descriptor";
        QTest::newRow("two digits") << "/dev/hidraw12"
                                    << "/sys/class/hidraw/hidraw12/device/report_descriptor";
        QTest::newRow("bare node name") << "hidraw3"
                                        << "/sys/class/hidraw/hidraw3/device/report_descriptor";
        QTest::newRow("no number") << "/dev/hidraw"
                                   << "";
        QTest::newRow("not a number") << "/dev/hidraw1x"
                                      << "";
        QTest::newRow("other node") << "/dev/usb/hiddev0"
                                    << "";
        QTest::newRow("emulated path") << "emulated/0"
                                       << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void sysfsPath() {
        QFETCH(QString, device);
        QFETCH(QString, expected);
        const auto path = hid::detail::sysfsReportDescriptorPath(device.toStdString());
        QCOMPARE(path.has_value(), !expected.isEmpty());
        if (path) {
            QCOMPARE(QString::fromStdString(*path), expected);
        }
    }

    void readWholeFileKeepsBinary() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString name = dir.filePath("descriptor");
        const QByteArray bytes("\x06\x00\xff\x0d\x0a\x1a\x00\xc0", 8);
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        const auto read = hid::detail::readWholeFile(name.toStdString());
        QVERIFY(read.has_value());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(read->data()),
                            static_cast<qsizetype>(read->size())),
                 bytes);
        QVERIFY(!hid::detail::readWholeFile(dir.filePath("missing").toStdString()));
    }

    void retryInterrupted_data() {
        QTest::addColumn<int>("interruptions"); // -1: every attempt
        QTest::addColumn<int>("finalErrno");
        QTest::addColumn<int>("finalResult");
        QTest::addColumn<int>("expected");

        QTest::newRow("report at once") << 0 << 0 << 5 << 5;
        QTest::newRow("time-out at once") << 0 << 0 << 0 << 0;
        QTest::newRow("two signals, then a report") << 2 << 0 << 5 << 5;
        QTest::newRow("a signal, then a time-out") << 1 << 0 << 0 << 0;
        QTest::newRow("other error is final") << 0 << EIO << -1 << -1;
        QTest::newRow("hang-up without errno is final") << 1 << 0 << -1 << -1;
        QTest::newRow("signals until the deadline") << -1 << 0 << 0 << 0;
    }
    void retryInterrupted() {
        QFETCH(int, interruptions);
        QFETCH(int, finalErrno);
        QFETCH(int, finalResult);
        QFETCH(int, expected);
        constexpr auto timeout = 200ms;
        constexpr auto pause = 30ms; // each interrupted attempt uses up this much

        std::vector<int> offered;
        const int result = hid::detail::retryInterrupted(
            [&](int ms) {
                offered.push_back(ms);
                const bool interrupt =
                    interruptions < 0 || static_cast<int>(offered.size()) <= interruptions;
                if (interrupt) {
                    std::this_thread::sleep_for(pause);
                    errno = EINTR;
                    return -1;
                }
                errno = finalErrno;
                return finalResult;
            },
            timeout);

        QCOMPARE(result, expected);
        QCOMPARE(offered.front(), int(timeout.count()));
        for (std::size_t k = 1; k < offered.size(); ++k) {
            // Every retry gets only what is left, never the full time again.
            const int left = std::max(0, int((timeout - pause * int(k)).count()));
            QVERIFY2(offered[k] <= left, qPrintable(QString::number(offered[k])));
            QVERIFY(offered[k] >= 0);
        }
        if (interruptions >= 0) {
            QCOMPARE(int(offered.size()), interruptions + 1);
        } else {
            QVERIFY(offered.size() <= std::size_t(timeout / pause) + 2);
            QCOMPARE(offered.back(), 0);
        }
    }

    // One holder per receiver on every system: a second take of a held path is refused
    // as in use, another path is free, and the path is free again once let go.
    void receiverLock() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        std::string paths[2];
        for (int k = 0; k < 2; ++k) {
            QFile node(dir.filePath(QStringLiteral("hidraw%1").arg(k)));
            QVERIFY(node.open(QIODevice::WriteOnly));
            paths[k] = node.fileName().toStdString();
        }
        std::string error;
        bool inUse = false;
        auto first = hid::ReceiverLock::take(paths[0], error, inUse);
        QVERIFY2(first, error.c_str());

        QVERIFY(!hid::ReceiverLock::take(paths[0], error, inUse));
        QVERIFY(inUse);
        QCOMPARE(error, std::string(hid::InUseError));
        inUse = false;
        QVERIFY2(hid::ReceiverLock::take(paths[1], error, inUse), error.c_str());
        first.reset();
        QVERIFY2(hid::ReceiverLock::take(paths[0], error, inUse), error.c_str());
        QVERIFY(!inUse);
    }

    void openMissingPathFails() {
        hid::HidapiBackend backend;
        const int before = openDescriptors();
        const auto result = backend.open("/dev/hidraw-does-not-exist");
        QVERIFY(!result.device);
        QVERIFY(!result.error.empty());
        QCOMPARE(openDescriptors(), before);
    }

    // CI machines have no HID devices: the search ends quickly with nothing
    // found and nothing left open.
    void noReceiverPresent() {
        hid::HidapiBackend backend;
        const auto present = backend.enumerate();
        std::set<std::string> paths;
        for (const auto& info : present) {
            QVERIFY2(paths.insert(info.path).second, "a path listed twice");
            if (protocol::isReceiver(info.vendorId, info.productId)) {
                QSKIP("a receiver is plugged in");
            }
        }

        ModHIDCom com(backend);
        const int before = openDescriptors();
        QElapsedTimer timer;
        timer.start();
        const bool found = com.OpenReceiver();
        const qint64 elapsed = timer.elapsed();
        qInfo("OpenReceiver over %zu interfaces took %lld ms", present.size(), elapsed);

        QVERIFY(!found);
        QVERIFY(!com.DeviceConnected());
        QVERIFY(elapsed < 2000);

        com.SendCommand(0x21);
        com.ReadReport();
        com.CloseReceiver();
        QVERIFY(!com.DeviceConnected());
        QCOMPARE(openDescriptors(), before);
    }
};

QTEST_APPLESS_MAIN(tst_HidapiBackend)
#include "tst_hidapibackend.moc"
