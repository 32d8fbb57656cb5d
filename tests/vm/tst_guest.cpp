// Runs inside the qemu guest (see run-vm-test.sh): the receiver emulator
// presents virtual receivers through /dev/uhid and the real kernel HID stack,
// and these tests talk to them through hidapi's hidraw backend.

#include "tests/vm/GuestSupport.h"

#include <QtTest>
#include <hidapi/hidapi.h>
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

QTEST_GUILESS_MAIN(TestGuest)
#include "tst_guest.moc"
