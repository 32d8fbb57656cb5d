// SPDX-License-Identifier: MIT
// Runs inside the qemu guest (see run-vm-test.sh): the receiver emulator
// presents virtual receivers through /dev/uhid and the real kernel HID stack,
// and these tests talk to them through hidapi's hidraw backend.

#include "cycle/Acquisition.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/vm/GuestSupport.h"
#include "ui/frmMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <array>
#include <chrono>
#include <csignal>
#include <hidapi/hidapi.h>
#include <memory>
#include <vector>

namespace {

QString hexOf(const unsigned char* data, int size) {
    QStringList parts;
    for (int i = 0; i < size; ++i) {
        parts << QString::asprintf("%02x", data[i]);
    }
    return parts.join(' ');
}

struct Listed {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::string path;
    std::wstring product;
};

std::vector<Listed> listHid() {
    std::vector<Listed> out;
    hid_device_info* all = hid_enumerate(0, 0);
    for (const hid_device_info* d = all; d != nullptr; d = d->next) {
        out.push_back(
            {d->vendor_id, d->product_id, d->path, d->product_string ? d->product_string : L""});
    }
    hid_free_enumeration(all);
    return out;
}

QString hexOf(const std::vector<std::uint8_t>& bytes) {
    return hexOf(bytes.data(), static_cast<int>(bytes.size()));
}

// The transport as the program builds it, on the real hidapi backend.
struct Transport {
    hid::HidapiBackend backend;
    ModHIDCom com{backend};

    // One record exchange as the acquisition cycle makes it; true while the
    // receiver stays on line.
    bool request(std::uint8_t command) { return com.Request(command); }
};

const std::array<QString, 5> FiveRecords = {"78415001", "00282102", "00282203", "ffffffff",
                                            "a0307f00"};

QStringList recordArgs() {
    QStringList args;
    for (int i = 0; i < 5; ++i) {
        args << "--record" << QString("%1=%2").arg(i + 1).arg(FiveRecords[i]);
    }
    return args;
}

QString spaced(const QString& hex) {
    QStringList parts;
    for (int i = 0; i < hex.size(); i += 2) {
        parts << hex.mid(i, 2);
    }
    return parts.join(' ');
}

QString hexOf(const sensor::SensorData& data) {
    std::vector<std::uint8_t> bytes;
    for (const sensor::SensorRecord& r : data) {
        bytes.insert(bytes.end(), {r.pressure, r.temperature, r.battery, r.status});
    }
    return hexOf(bytes);
}

QString allRecordsHex() {
    QStringList parts;
    for (const QString& r : FiveRecords) {
        parts << spaced(r);
    }
    return parts.join(' ');
}

const QString NoDataHex = spaced(QString(40, 'f'));

} // namespace

class TestGuest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    // The emulator itself, through hidapi alone.
    void platformListsDevicesInOrder();
    void rawExchange_data();
    void rawExchange();

    // The transport (ModHIDCom on hidapi) against the virtual receivers.
    void discovery_data();
    void discovery();
    void outputReports_data();
    void outputReports();
    void inputReports_data();
    void inputReports();
    void fiveRecordsInOrder();
    void manyExchangesInARow();
    void resetsReachTheReceiver_data();
    void resetsReachTheReceiver();
    void silenceTimesOut();
    void unsolicitedReportsAreNotTheAnswer();
    void unplugWhileReading();
    void replugFoundByNextSearch();

    // The acquisition cycle, without the window.
    void acquisitionCycle_data();
    void acquisitionCycle();
    void cycleAfterReplug();

    // The whole window, offscreen.
    void windowShowsFiveRecords();
    void windowOffLineWhenSilent();
    void windowFollowsUnplugAndReplug();

    // The program itself, several copies and two receivers.
    void copiesOfTheProgram_data();
    void copiesOfTheProgram();
    void listDevicesNamesBothReceivers();
};

void TestGuest::initTestCase() {
    QVERIFY2(QFile::exists("/dev/uhid"), "the guest has no /dev/uhid");
    QVERIFY2(QFile::exists(guest::Emulator::program()), qPrintable(guest::Emulator::program()));
    QCOMPARE(hid_init(), 0);
}

void TestGuest::cleanupTestCase() {
    hid_exit();
}

void TestGuest::platformListsDevicesInOrder() {
    // Discovery takes the first receiver in the platform's order, and the
    // discovery scenarios rely on this order: hidraw lists by bus, vendor,
    // product, then the order of plugging in.
    guest::Emulator emulator;
    QVERIFY(emulator.start({"--decoys", "--receivers", "2"}, 5));
    const auto listed = listHid();
    const std::tuple<std::uint16_t, std::uint16_t, std::wstring> expected[] = {
        {0x0000, 0x0000, L"Tyrescope emulator decoy1"},
        {0x0000, 0x0001, L"Tyrescope emulator receiver1"},
        {0x0000, 0x0001, L"Tyrescope emulator receiver2"},
        {0x0000, 0x0002, L"Tyrescope emulator decoy2"},
        {0x0001, 0x0001, L"Tyrescope emulator decoy3"}};
    QCOMPARE(listed.size(), std::size(expected));
    for (std::size_t i = 0; i < listed.size(); ++i) {
        QCOMPARE(listed[i].vendorId, std::get<0>(expected[i]));
        QCOMPARE(listed[i].productId, std::get<1>(expected[i]));
        QCOMPARE(listed[i].product, std::get<2>(expected[i]));
    }
    // Listing opens nothing.
    QVERIFY(emulator.linesStartingWith("open ").isEmpty());
}

void TestGuest::rawExchange_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("answer");

    const QStringList record{"--record", "2=78415001"};
    QTest::newRow("unnumbered, 4 data bytes")
        << record << QByteArray("\x00\x22\x00", 3) << "00 22 00"
        << "78 41 50 01";
    QTest::newRow("input report padded to 6 data bytes")
        << (record + QStringList{"--input-bytes", "6"}) << QByteArray("\x00\x22\x00", 3)
        << "00 22 00"
        << "78 41 50 01 00 00";
    QTest::newRow("numbered reports carry their ID")
        << (record + QStringList{"--report-id", "7"}) << QByteArray("\x00\x22\x00", 3) << "00 22 00"
        << "07 78 41 50 01";
    QTest::newRow("2-byte output report")
        << (record + QStringList{"--output-bytes", "1"}) << QByteArray("\x00\x22", 2) << "00 22"
        << "78 41 50 01";
}

void TestGuest::rawExchange() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QString, received);
    QFETCH(QString, answer);

    guest::Emulator emulator;
    QVERIFY(emulator.start(args, 1));
    const auto listed = listHid();
    QCOMPARE(listed.size(), std::size_t{1});
    hid_device* dev = hid_open_path(listed[0].path.c_str());
    QVERIFY(dev != nullptr);
    const int written = hid_write(dev, reinterpret_cast<const unsigned char*>(request.constData()),
                                  static_cast<size_t>(request.size()));
    unsigned char buf[64] = {};
    const int got = hid_read_timeout(dev, buf, sizeof buf, 1000);
    hid_close(dev);

    QCOMPARE(written, request.size());
    QVERIFY(emulator.waitFor("output receiver1 " + received));
    QVERIFY(got > 0);
    QCOMPARE(hexOf(buf, got), answer);
    QVERIFY(emulator.waitFor("close receiver1"));
}

void TestGuest::discovery_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("devices");
    QTest::addColumn<QString>("taken"); // empty: none

    QTest::newRow("receiver alone") << QStringList{} << 1 << "receiver1";
    QTest::newRow("behind a decoy, before others") << QStringList{"--decoys"} << 4 << "receiver1";
    QTest::newRow("two receivers: the first")
        << QStringList{"--receivers", "2"} << 2 << "receiver1";
    QTest::newRow("decoys only") << QStringList{"--decoys", "--receivers", "0"} << 3 << "";
}

void TestGuest::discovery() {
    QFETCH(QStringList, args);
    QFETCH(int, devices);
    QFETCH(QString, taken);

    guest::Emulator emulator;
    QVERIFY(emulator.start(args, devices));
    Transport t;
    QCOMPARE(t.com.OpenReceiver(), !taken.isEmpty());
    QCOMPARE(t.com.DeviceConnected(), !taken.isEmpty());
    if (taken.isEmpty()) {
        QCOMPARE(guest::openHidrawDescriptors(), 0);
        return;
    }
    QVERIFY(t.request(0x21));
    QVERIFY(emulator.waitFor("output " + taken + " 00 21 00"));
    // Every report went to the receiver taken, and a second one was never opened.
    QCOMPARE(emulator.linesStartingWith("output ").size(), 1);
    QCOMPARE(emulator.linesStartingWith("open receiver").size(), 1);
    t.com.CloseReceiver();
    QCOMPARE(guest::openHidrawDescriptors(), 0);
    QVERIFY(emulator.waitFor("close " + taken));
}

void TestGuest::outputReports_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("received");

    QTest::newRow("record request") << QStringList{} << 0x21 << "00 21 00";
    QTest::newRow("last record request") << QStringList{} << 0x25 << "00 25 00";
    QTest::newRow("Data Reset") << QStringList{} << 0xFE << "00 fe 00";
    QTest::newRow("Master Reset") << QStringList{} << 0xFF << "00 ff 00";
    QTest::newRow("2-byte output report") << QStringList{"--output-bytes", "1"} << 0x23 << "00 23";
    QTest::newRow("5-byte output report")
        << QStringList{"--output-bytes", "4"} << 0x24 << "00 24 00 00 00";
}

void TestGuest::outputReports() {
    QFETCH(QStringList, args);
    QFETCH(int, command);
    QFETCH(QString, received);

    guest::Emulator emulator;
    QVERIFY(emulator.start(args, 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    t.com.SendCommand(static_cast<std::uint8_t>(command));
    QVERIFY(emulator.waitFor("output receiver1 " + received));
    QCOMPARE(emulator.linesStartingWith("output ").size(), 1);
    QVERIFY(t.com.DeviceConnected());
}

void TestGuest::inputReports_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("inputBuffer");

    QTest::newRow("unnumbered, 5 bytes") << QStringList{} << "00 00 28 21 02";
    QTest::newRow("unnumbered, 7 bytes")
        << QStringList{"--input-bytes", "6"} << "00 00 28 21 02 00 00";
    QTest::newRow("numbered") << QStringList{"--report-id", "7"} << "07 00 28 21 02";
}

void TestGuest::inputReports() {
    QFETCH(QStringList, args);
    QFETCH(QString, inputBuffer);

    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs() + args, 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    QVERIFY(t.request(0x22));
    QCOMPARE(hexOf(t.com.InputBuffer()), inputBuffer);
}

void TestGuest::fiveRecordsInOrder() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs(), 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    for (int i = 0; i < 5; ++i) {
        QVERIFY(t.request(static_cast<std::uint8_t>(0x21 + i)));
        QCOMPARE(hexOf(t.com.InputBuffer()), "00 " + spaced(FiveRecords[i]));
    }
    QVERIFY(emulator.waitFor("output receiver1 00 25 00"));
    QCOMPARE(emulator.linesStartingWith("output "),
             (QStringList{"output receiver1 00 21 00", "output receiver1 00 22 00",
                          "output receiver1 00 23 00", "output receiver1 00 24 00",
                          "output receiver1 00 25 00"}));
}

void TestGuest::manyExchangesInARow() {
    // Far more uhid events than the kernel queues (32): the emulator must
    // keep reading them while it answers.
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs(), 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    for (int cycle = 0; cycle < 20; ++cycle) {
        for (int i = 0; i < 5; ++i) {
            QVERIFY2(t.request(static_cast<std::uint8_t>(0x21 + i)),
                     qPrintable(QString("cycle %1, sensor %2").arg(cycle).arg(i + 1)));
            QCOMPARE(hexOf(t.com.InputBuffer()), "00 " + spaced(FiveRecords[i]));
        }
    }
}

void TestGuest::resetsReachTheReceiver_data() {
    QTest::addColumn<int>("reset");
    QTest::newRow("Data Reset") << 0xFE;
    QTest::newRow("Master Reset") << 0xFF;
}

void TestGuest::resetsReachTheReceiver() {
    QFETCH(int, reset);
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs(), 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    QVERIFY(t.request(0x21));
    QCOMPARE(hexOf(t.com.InputBuffer()), "00 78 41 50 01");

    // Two writes in a row, as the service commands send them: the reset is
    // not answered, so nothing of it can be taken for the record.
    t.com.SendCommand(static_cast<std::uint8_t>(reset));
    QVERIFY(t.request(0x21));
    QCOMPARE(hexOf(t.com.InputBuffer()), "00 ff ff ff ff");
    QVERIFY(emulator.waitFor("output receiver1 00 21 00", 2));
    QCOMPARE(emulator.linesStartingWith("output ").size(), 3);
}

void TestGuest::silenceTimesOut() {
    guest::Emulator emulator;
    QVERIFY(emulator.start({"--silent"}, 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    t.com.SendCommand(0x21);
    QElapsedTimer clock;
    clock.start();
    t.com.ReadReport();
    const qint64 waited = clock.elapsed();

    QVERIFY2(waited >= 900 && waited < 3000, qPrintable(QString("waited %1 ms").arg(waited)));
    QVERIFY(!t.com.DeviceConnected());
    QCOMPARE(hexOf(t.com.InputBuffer()), "00 00 00 00 00");
    QCOMPARE(guest::openHidrawDescriptors(), 0);
    QVERIFY(emulator.waitFor("close receiver1"));
}

void TestGuest::unsolicitedReportsAreNotTheAnswer() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs() + QStringList{"--unsolicited", "aabbccdd", "--unsolicited",
                                                      "11223344", "--unsolicited", "55667788"},
                           1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    // The emulator queues each report in the kernel before it logs its line.
    QVERIFY(emulator.waitFor("unsolicited receiver1 55 66 77 88"));
    QVERIFY(t.request(0x21));
    QCOMPARE(hexOf(t.com.InputBuffer()), "00 78 41 50 01");
}

void TestGuest::unplugWhileReading() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs() + QStringList{"--unplug-after", "3"}, 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    QVERIFY(t.request(0x21));
    QVERIFY(t.request(0x22));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!t.request(0x23));
    qInfo("the lost receiver was noticed after %lld ms", clock.elapsed());
    QVERIFY(emulator.waitFor("unplugged receiver1"));
    QVERIFY(!t.com.DeviceConnected());
    QCOMPARE(guest::openHidrawDescriptors(), 0);
    // Nothing to find until it comes back.
    QVERIFY(!t.com.OpenReceiver());
}

void TestGuest::replugFoundByNextSearch() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(
        recordArgs() + QStringList{"--unplug-after", "1", "--replug-after", "1000"}, 1));
    Transport t;
    QVERIFY(t.com.OpenReceiver());
    QVERIFY(!t.request(0x21));
    QVERIFY(emulator.waitFor("replugged receiver1"));
    QVERIFY(emulator.waitFor("ready", 2));
    QVERIFY(guest::waitForHidrawNodes(1));

    QVERIFY(t.com.OpenReceiver());
    for (int i = 0; i < 5; ++i) {
        QVERIFY(t.request(static_cast<std::uint8_t>(0x21 + i)));
        QCOMPARE(hexOf(t.com.InputBuffer()), "00 " + spaced(FiveRecords[i]));
    }
    t.com.CloseReceiver();
    QCOMPARE(guest::openHidrawDescriptors(), 0);
}

void TestGuest::acquisitionCycle_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("devices");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("data");

    QTest::newRow("five answers") << recordArgs() << 1 << true << 5 << allRecordsHex();
    QTest::newRow("no receiver") << QStringList{"--decoys", "--receivers", "0"} << 3 << false << 0
                                 << NoDataHex;
    QTest::newRow("silent: one request, then off line")
        << (recordArgs() + QStringList{"--silent"}) << 1 << false << 1 << NoDataHex;
    QTest::newRow("lost at sensor 3: sensors 1 and 2 dropped too")
        << (recordArgs() + QStringList{"--unplug-after", "3"}) << 1 << false << 3 << NoDataHex;
}

void TestGuest::acquisitionCycle() {
    QFETCH(QStringList, args);
    QFETCH(int, devices);
    QFETCH(bool, connected);
    QFETCH(int, requests);
    QFETCH(QString, data);

    guest::Emulator emulator;
    QVERIFY(emulator.start(args, devices));
    Transport t;
    sensor::SensorData records{};
    records = cycle::acquire(t.com).data;

    QCOMPARE(t.com.DeviceConnected(), connected);
    QCOMPARE(hexOf(records), data);
    if (requests > 0) {
        QVERIFY(emulator.waitFor(QString("output receiver1 00 %1 00").arg(0x20 + requests, 2, 16)));
    }
    QCOMPARE(emulator.linesStartingWith("output ").size(), requests);
    if (!connected) {
        QCOMPARE(guest::openHidrawDescriptors(), 0);
    }
}

void TestGuest::cycleAfterReplug() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(
        recordArgs() + QStringList{"--unplug-after", "2", "--replug-after", "1000"}, 1));
    Transport t;
    sensor::SensorData records{};
    records = cycle::acquire(t.com).data;
    QVERIFY(!t.com.DeviceConnected());
    QCOMPARE(hexOf(records), NoDataHex);

    QVERIFY(emulator.waitFor("replugged receiver1"));
    QVERIFY(emulator.waitFor("ready", 2));
    QVERIFY(guest::waitForHidrawNodes(1));
    records = cycle::acquire(t.com).data;
    QVERIFY(t.com.DeviceConnected());
    QCOMPARE(hexOf(records), allRecordsHex());
}

namespace {

QString rawLine(const QString& record) {
    return "Raw data: " + spaced(record).toUpper() + " Hex";
}

const QString NoRawData = "Raw data: ?? ?? ?? ?? Hex";

} // namespace

void TestGuest::windowShowsFiveRecords() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs(), 1));
    Transport t;
    frmMain w(t.com);
    w.GetDataFromDevice();

    QCOMPARE(w.lblDevStasus->text(), "On line!");
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.lblRawdata[i]->text(), rawLine(FiveRecords[i]));
    }
    // 78 41 50 01: 200 kPa, 25 °C, battery 80, normal mode.
    QCOMPARE(w.lblPressure[0]->text(), "Pressure: 200 KPa");
    QCOMPARE(w.lblTemperature[0]->text(), "Temperature: 25 \u00B0C");
    QCOMPARE(w.lblStatus[0]->text(), "Status: Normal mode");
    QVERIFY(!w.imgBattery[0]->isHidden());
    // FF FF FF FF from a connected receiver: no values, but the bytes shown.
    QCOMPARE(w.lblPressure[3]->text(), "Pressure: ??? KPa");
    QCOMPARE(w.lblStatus[3]->text(), "Status: ?");
    QVERIFY(w.imgBattery[3]->isHidden());
    QVERIFY(emulator.waitFor("output receiver1 00 25 00"));
}

void TestGuest::windowOffLineWhenSilent() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(recordArgs() + QStringList{"--silent"}, 1));
    Transport t;
    frmMain w(t.com);
    QElapsedTimer clock;
    clock.start();
    w.GetDataFromDevice();
    const qint64 took = clock.elapsed();

    QVERIFY2(took >= 900 && took < 4000, qPrintable(QString("the cycle took %1 ms").arg(took)));
    QCOMPARE(w.lblDevStasus->text(), "Off line!");
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.lblRawdata[i]->text(), NoRawData);
        QCOMPARE(w.lblPressure[i]->text(), "Pressure: ??? KPa");
    }
    QCOMPARE(guest::openHidrawDescriptors(), 0);
}

void TestGuest::windowFollowsUnplugAndReplug() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(
        recordArgs() + QStringList{"--unplug-after", "7", "--replug-after", "1000"}, 1));
    Transport t;
    frmMain w(t.com);
    w.GetDataFromDevice();
    QCOMPARE(w.lblDevStasus->text(), "On line!");
    // The second cycle loses the receiver at its second request.
    w.GetDataFromDevice();
    QVERIFY(emulator.waitFor("unplugged receiver1"));
    QCOMPARE(emulator.linesStartingWith("output ").size(), 7);
    // Lost in the middle of a cycle: the records read before it go too.
    QCOMPARE(w.lblDevStasus->text(), "Off line!");
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.lblRawdata[i]->text(), NoRawData);
    }
    QCOMPARE(guest::openHidrawDescriptors(), 0);

    QVERIFY(emulator.waitFor("replugged receiver1"));
    QVERIFY(emulator.waitFor("ready", 2));
    QVERIFY(guest::waitForHidrawNodes(1));
    w.GetDataFromDevice();
    QCOMPARE(w.lblDevStasus->text(), "On line!");
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.lblRawdata[i]->text(), rawLine(FiveRecords[i]));
    }
}

namespace {

const QStringList TwoSerials{"--serial", "TPMS-0001", "--serial", "TPMS-0002"};

QString programPath() {
    return QCoreApplication::applicationDirPath() + "/tyrescope";
}

// The hidraw node of each emulated receiver, by its label.
QString nodeOf(const QString& label) {
    for (const Listed& d : listHid()) {
        if (d.product == L"Tyrescope emulator " + label.toStdWString()) {
            return QString::fromStdString(d.path);
        }
    }
    return {};
}

QStringList withNodes(QStringList args) {
    for (QString& arg : args) {
        arg.replace("{1}", nodeOf("receiver1")).replace("{2}", nodeOf("receiver2"));
    }
    return args;
}

} // namespace

void TestGuest::copiesOfTheProgram_data() {
    QTest::addColumn<int>("receivers");
    QTest::addColumn<QStringList>("first"); // holds receiver1 while the second runs; empty: none
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("secondHasRuntimeFolder");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // in the second's output

    const QStringList readFirst{"--read", "--count", "0", "--interval", "0.5"};
    const QStringList window{"-platform", "offscreen"};
    const QString inUse = "another copy of Tyrescope is using the receiver";
    QTest::newRow("two --read on two receivers side by side")
        << 2 << readFirst + QStringList{"--device", "{1}"}
        << QStringList{"--read", "--device", "{2}"} << true << 0
        << "On line: receiver at {2} (serial TPMS-0002)";
    QTest::newRow("a second --read without a choice takes the free receiver")
        << 2 << readFirst << QStringList{"--read"} << true << 0
        << "On line: receiver at {2} (serial TPMS-0002)";
    QTest::newRow("two --read on one receiver")
        << 1 << readFirst << QStringList{"--read"} << true << 5 << inUse;
    QTest::newRow("the chosen receiver held, another free")
        << 2 << readFirst << QStringList{"--read", "--serial", "TPMS-0001"} << true << 5 << inUse;
    QTest::newRow("a window, and --read without XDG_RUNTIME_DIR on its receiver")
        << 1 << window << QStringList{"--read"} << false << 5 << inUse;
    QTest::newRow("a window on one receiver, --read on the other")
        << 2 << window << QStringList{"--read"} << false << 0 << "On line: receiver at {2}";
    QTest::newRow("--wait outlasts a copy that lets the receiver go")
        << 1 << QStringList{"--read", "--count", "2", "--interval", "1"}
        << QStringList{"--read", "--wait", "20"} << true << 0 << "On line: receiver at {1}";
    QTest::newRow("--serial picks the second")
        << 2 << QStringList() << QStringList{"--read", "--serial", "TPMS-0002"} << true << 0
        << "On line: receiver at {2} (serial TPMS-0002)";
    QTest::newRow("--device picks the second")
        << 2 << QStringList() << QStringList{"--read", "--device", "{2}", "--format", "json"}
        << true << 0 << "\"device\":\"{2}\",\"pressure_unit\":\"KPa\",\"reached\":true";
    QTest::newRow("a serial no receiver has: the receivers listed")
        << 2 << QStringList() << QStringList{"--read", "--serial", "TPMS-0003"} << true << 1
        << "Receivers present:\n  {1}  serial TPMS-0001\n  {2}  serial TPMS-0002\n";
}

void TestGuest::copiesOfTheProgram() {
    QFETCH(int, receivers);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(bool, secondHasRuntimeFolder);
    QFETCH(int, status);
    QFETCH(QString, said);

    guest::Emulator emulator;
    QVERIFY(emulator.start(QStringList{"--receivers", QString::number(receivers)} + TwoSerials,
                           receivers));
    QProcess holder;
    if (!first.isEmpty()) {
        holder.start(programPath(), withNodes(first));
        QVERIFY(holder.waitForStarted(10'000));
        // Its first cycle is done: it holds receiver1.
        QVERIFY(emulator.waitFor("output receiver1 00 25 00", 1, std::chrono::seconds(60)));
    }
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!secondHasRuntimeFolder) {
        env.remove("XDG_RUNTIME_DIR");
    }
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(programPath(), withNodes(second));
    QVERIFY(copy.waitForFinished(60'000));
    const QString output = QString::fromLocal8Bit(copy.readAll());
    qInfo("%s: status %d\n%s", qPrintable(withNodes(second).join(' ')), copy.exitCode(),
          qPrintable(output));

    QCOMPARE(copy.exitCode(), status);
    QVERIFY2(output.contains(withNodes({said})[0]), qPrintable(output));
    if (first.contains("--read")) {
        // A --read that held its receiver passed, till it ended or was ended.
        const bool endless = first[first.indexOf("--count") + 1] == "0";
        if (endless) {
            holder.terminate();
        }
        QVERIFY(holder.waitForFinished(20'000));
        QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
        QCOMPARE(holder.exitCode(), endless ? 128 + SIGTERM : 0);
    } else if (!first.isEmpty()) {
        holder.kill(); // a window
        QVERIFY(holder.waitForFinished(20'000));
    }
}

// The device list for scripts: one JSON document naming both receivers with
// their serial numbers, among the other devices.
void TestGuest::listDevicesNamesBothReceivers() {
    guest::Emulator emulator;
    QVERIFY(emulator.start(QStringList{"--decoys", "--receivers", "2"} + TwoSerials, 5));
    QProcess list;
    list.start(programPath(), {"--list-devices", "--format", "json"});
    QVERIFY(list.waitForFinished(60'000));
    const QByteArray json = list.readAllStandardOutput();
    qInfo("--list-devices --format json:\n%s", json.constData());
    QCOMPARE(list.exitCode(), 0);

    QJsonParseError error{};
    const QJsonArray interfaces = QJsonDocument::fromJson(json, &error)["interfaces"].toArray();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(interfaces.size(), 5);
    QStringList receivers;
    for (const QJsonValue& i : interfaces) {
        if (i["receiver"].toBool()) {
            QVERIFY(i["openable"].toBool());
            QCOMPARE(i["vendor_id"].toInt(), 0);
            QCOMPARE(i["product_id"].toInt(), 1);
            QCOMPARE(i["input_length"].toInt(), 5);
            receivers << i["path"].toString() + " " + i["serial"].toString();
        }
    }
    QCOMPARE(receivers,
             (QStringList{nodeOf("receiver1") + " TPMS-0001", nodeOf("receiver2") + " TPMS-0002"}));
}

QTEST_MAIN(TestGuest)
#include "tst_guest.moc"
