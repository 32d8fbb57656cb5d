// SPDX-License-Identifier: MIT
#include "FakeHidapi.h"
#include "app/ListDevices.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

using Bytes = standin::Bytes;
using Reports = std::vector<Bytes>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Reports)

namespace {

Bytes fromHex(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return Bytes(raw.begin(), raw.end());
}

// 4 input and 2 output bytes, unnumbered: 5 and 3 with the report ID byte.
constexpr const char* Receiver = "0600ff0901a10175089504810295029102c0";

// The backend over the stand-in, with the kernel's hidraw listing in a folder
// of its own that holds each device's report descriptor.
struct Rig {
    Rig() {
        standin::reset();
        standin::setRealTime(true);
    }
    ~Rig() { standin::reset(); }

    standin::Device& add(const QByteArray& descriptor, standin::Device device = {}) {
        const QString node = QFileInfo(QString::fromStdString(device.path)).fileName();
        QDir().mkpath(sysfs.filePath(node + "/device"));
        QFile file(sysfs.filePath(node + "/device/report_descriptor"));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(descriptor);
        }
        return standin::add(std::move(device));
    }

    QTemporaryDir sysfs;
    hid::HidapiBackend backend{sysfs.path().toStdString()};
};

} // namespace

class tst_HidapiBackend_standin : public QObject {
    Q_OBJECT

private slots:
    // One request and its answer through hidapi as hidraw behaves.
    void exchange_data() {
        QTest::addColumn<QByteArray>("descriptor");
        QTest::addColumn<Reports>("pending"); // queued before the request
        QTest::addColumn<Bytes>("answer");    // empty: silence
        QTest::addColumn<int>("interruptions");
        QTest::addColumn<int>("buffer"); // bytes offered to each read
        QTest::addColumn<Bytes>("expected");

        const QByteArray receiver = QByteArray::fromHex(Receiver);
        const Bytes record = fromHex("78415001");
        QTest::newRow("unnumbered: report ID 0 restored")
            << receiver << Reports{} << record << 0 << 64 << fromHex("0078415001");
        QTest::newRow("numbered: report ID kept")
            << QByteArray::fromHex("0600ff0901a101850775089504810295029102c0") << Reports{}
            << fromHex("0778415001") << 0 << 64 << fromHex("0778415001");
        QTest::newRow("report sent before the request is drained")
            << receiver << Reports{fromHex("11223344")} << record << 0 << 64
            << fromHex("0078415001");
        QTest::newRow("three reports sent before the request are drained")
            << receiver << Reports{fromHex("11223344"), fromHex("55667788"), fromHex("99aabbcc")}
            << record << 0 << 64 << fromHex("0078415001");
        QTest::newRow("signals during the wait")
            << receiver << Reports{} << record << 3 << 64 << fromHex("0078415001");
        QTest::newRow("long reports: buffer of the declared length")
            << QByteArray::fromHex("0600ff0901a101750896f4018102c0") << Reports{} << Bytes(500, 7)
            << 0 << 501 << [] {
                   Bytes b(501, 7);
                   b[0] = 0;
                   return b;
               }();
        QTest::newRow("2 declared, a record sent: only the declared byte is data")
            << QByteArray::fromHex("0600ff0901a101750895018102c0") << Reports{} << record << 0 << 64
            << fromHex("0078ffffff");
        QTest::newRow("descriptor beyond any platform: lengths unknown")
            << QByteArray::fromHex("0600ff0901a10177ffffffff97ffffffff8102c0") << Reports{}
            << record << 0 << 64 << fromHex("0078415001");
    }
    void exchange() {
        QFETCH(QByteArray, descriptor);
        QFETCH(Reports, pending);
        QFETCH(Bytes, answer);
        QFETCH(int, interruptions);
        QFETCH(int, buffer);
        QFETCH(Bytes, expected);
        Rig rig;
        standin::Device& device = rig.add(descriptor);
        device.answers.push_back(answer);
        device.interruptions = interruptions;
        ModHIDCom com(rig.backend);
        QVERIFY(com.OpenReceiver());
        device.pending.insert(device.pending.end(), pending.begin(), pending.end());

        com.Request(0x21);

        QVERIFY(com.DeviceConnected());
        QCOMPARE(com.InputBuffer(), expected);
        QVERIFY(device.pending.empty());
        for (std::size_t length : standin::log().readBuffers) {
            QCOMPARE(length, std::size_t(buffer));
        }
        QCOMPARE(standin::log().writes, std::vector<Bytes>{fromHex("002100")});
        QCOMPARE(standin::log().openHandles, 1);
    }

    // The time-out, measured on the clock: a silent receiver costs one
    // second, then the receiver is closed and off line.
    void silentReceiverTimesOut_data() {
        QTest::addColumn<int>("interruptions");
        QTest::addColumn<int>("failures");
        QTest::newRow("silence") << 0 << 0;
        QTest::newRow("silence, signals on the way") << 5 << 0;
        QTest::newRow("failed wait") << 0 << 1;
    }
    void silentReceiverTimesOut() {
        QFETCH(int, interruptions);
        QFETCH(int, failures);
        Rig rig;
        standin::Device& device = rig.add(QByteArray::fromHex(Receiver));
        device.interruptions = interruptions;
        device.failures = failures;
        ModHIDCom com(rig.backend);
        QVERIFY(com.OpenReceiver());

        com.SendCommand(0x21);
        QElapsedTimer clock;
        clock.start();
        com.ReadReport();
        const qint64 elapsed = clock.elapsed();

        QVERIFY(!com.DeviceConnected());
        QCOMPARE(standin::log().openHandles, 0);
        if (failures == 0) {
            QVERIFY2(elapsed >= 1000 && elapsed <= 1500, qPrintable(QString::number(elapsed)));
        } else {
            QVERIFY2(elapsed < 500, qPrintable(QString::number(elapsed)));
        }
    }

    // The receiver's node lock: a second copy (here a second backend, as the
    // kernel's flock tells open files apart, not processes) passes over a
    // receiver the first holds, and takes it once the first lets it go.
    void oneCopyPerReceiver_data() {
        QTest::addColumn<int>("receivers");
        QTest::newRow("one receiver: in use") << 1;
        QTest::newRow("two receivers: the second copy takes the other") << 2;
    }
    void oneCopyPerReceiver() {
        QFETCH(int, receivers);
        Rig rig;
        QTemporaryDir dev;
        for (int k = 0; k < receivers; ++k) {
            standin::Device device;
            device.path = dev.filePath(QStringLiteral("hidraw%1").arg(k)).toStdString();
            QFile node(QString::fromStdString(device.path));
            QVERIFY(node.open(QIODevice::WriteOnly));
            rig.add(QByteArray::fromHex(Receiver), device);
        }
        ModHIDCom first(rig.backend);
        QVERIFY(first.OpenReceiver());
        hid::HidapiBackend otherBackend(rig.sysfs.path().toStdString());
        ModHIDCom second(otherBackend);

        QCOMPARE(second.OpenReceiver(), receivers > 1);

        QCOMPARE(second.ReceiverInUse(), receivers == 1);
        if (receivers == 1) {
            QVERIFY2(second.LastError().find("in use by another copy of Tyrescope") !=
                         std::string::npos,
                     second.LastError().c_str());
            QCOMPARE(standin::log().openHandles, 1); // let go at once
            first.CloseReceiver();
            QVERIFY(second.OpenReceiver());
        }
        QCOMPARE(second.DevicePath(), standin::device(receivers - 1).path);
    }

    // --list-devices over descriptors it cannot use says so and why.
    void listingOfMalformedDescriptors_data() {
        QTest::addColumn<QByteArray>("descriptor");
        QTest::addColumn<QString>("why");
        QTest::newRow("truncated")
            << QByteArray::fromHex("0600ff0901a1017508950481") << "it ends inside an item";
        QTest::newRow("4096 bytes of 0xFF") << QByteArray(4096, '\xff') << "it ends inside an item";
        QTest::newRow("report beyond any platform")
            << QByteArray::fromHex("0600ff0901a10177ffffffff97ffffffff8102c0")
            << "a report is longer than 16384 bytes";
        QTest::newRow("no descriptor") << QByteArray() << "its report descriptor cannot be read";
    }
    void listingOfMalformedDescriptors() {
        QFETCH(QByteArray, descriptor);
        QFETCH(QString, why);
        Rig rig;
        rig.add(descriptor);
        standin::Device other;
        other.path = "/dev/hidraw1";
        other.vendorId = 0x046D;
        rig.add(descriptor, other);

        std::ostringstream out;
        listDevices(rig.backend, out);
        const QString text = QString::fromStdString(out.str());

        QCOMPARE(text.count("report lengths unknown ("), 2);
        QVERIFY2(text.count(why) == 2, qPrintable(text));
        QVERIFY2(!text.contains("input 0"), qPrintable(text));
    }
};

QTEST_APPLESS_MAIN(tst_HidapiBackend_standin)
#include "tst_hidapibackend_standin.moc"
