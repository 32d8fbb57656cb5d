// SPDX-License-Identifier: MIT
#include "hid/ReportDescriptor.h"

#include <QFile>
#include <QTest>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes fromHex(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return Bytes(raw.begin(), raw.end());
}

// Vendor-defined receiver: 4 input bytes and 2 output bytes, no report IDs.
const char* const UnnumberedReceiver = "0600ff"     // Usage Page (vendor 0xFF00)
                                       "0901"       // Usage (1)
                                       "a101"       // Collection (Application)
                                       "150026ff00" // Logical 0..255
                                       "7508"       // Report Size (8)
                                       "9504"       // Report Count (4)
                                       "0901"       // Usage (1)
                                       "8102"       // Input (Data, Var, Abs)
                                       "9502"       // Report Count (2)
                                       "0901"       // Usage (1)
                                       "9102"       // Output
                                       "c0";        // End Collection

// The same receiver with numbered reports: ID 1 carries 4 input bytes, ID 2
// carries 6, and output ID 3 carries 2.
const char* const NumberedReceiver = "0600ff0901a101"
                                     "850175089504090181 02"
                                     "850295060901 8102"
                                     "8503950209019102"
                                     "c0";

} // namespace

class tst_ReportDescriptor : public QObject {
    Q_OBJECT

private slots:
    // Every descriptor of the recorded table gives the lengths Windows gave.
    void windowsLengths_data() {
        QTest::addColumn<Bytes>("descriptor");
        QTest::addColumn<int>("usagePage");
        QTest::addColumn<int>("usage");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("feature");

        QFile file(QStringLiteral(TYRESCOPE_TEST_DATA "/hid-report-lengths.tsv"));
        QVERIFY2(file.open(QIODevice::ReadOnly), "hid-report-lengths.tsv missing");
        int rows = 0;
        bool header = true;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#')) {
                continue;
            }
            if (header) { // the column names
                header = false;
                continue;
            }
            const QList<QByteArray> f = line.split('\t');
            QCOMPARE(f.size(), 7);
            bool ok = true;
            const auto number = [&ok](const QByteArray& text) {
                bool good = false;
                const int value = text.toInt(&good, 0);
                ok = ok && good;
                return value;
            };
            QTest::newRow(f[0].constData()) << fromHex(f[6]) << number(f[1]) << number(f[2])
                                            << number(f[3]) << number(f[4]) << number(f[5]);
            QVERIFY(ok);
            ++rows;
        }
        QCOMPARE(rows, 25);
    }
    void windowsLengths() {
        QFETCH(Bytes, descriptor);
        QFETCH(int, usagePage);
        QFETCH(int, usage);
        QFETCH(int, input);
        QFETCH(int, output);
        QFETCH(int, feature);

        const hid::DescriptorSummary summary = hid::parseReportDescriptor(descriptor);

        QVERIFY(summary.wellFormed);
        const auto it = std::find_if(summary.collections.begin(), summary.collections.end(),
                                     [&](const hid::TopLevelCollection& c) {
                                         return c.usagePage == usagePage && c.usage == usage;
                                     });
        QVERIFY2(it != summary.collections.end(), "top-level collection not found");
        QCOMPARE(it->lengths.input, std::size_t(input));
        QCOMPARE(it->lengths.output, std::size_t(output));
        QCOMPARE(it->lengths.feature, std::size_t(feature));
    }

    // Cut anywhere, a descriptor is never read past its end and never yields
    // collections the whole one does not have.
    void truncated_data() { windowsLengths_data(); }
    void truncated() {
        QFETCH(Bytes, descriptor);
        const hid::DescriptorSummary whole = hid::parseReportDescriptor(descriptor);
        for (std::size_t cut = 0; cut < descriptor.size(); ++cut) {
            const auto part = hid::parseReportDescriptor(std::span(descriptor).first(cut));
            QVERIFY(part.collections.size() <= whole.collections.size());
            for (std::size_t k = 0; k < part.collections.size(); ++k) {
                QCOMPARE(part.collections[k].usagePage, whole.collections[k].usagePage);
                QCOMPARE(part.collections[k].usage, whole.collections[k].usage);
            }
            if (part.wellFormed) { // only a cut between whole collections
                QVERIFY(part.collections.size() < whole.collections.size() ||
                        cut == descriptor.size());
            }
        }
    }

    void handMade_data() {
        QTest::addColumn<Bytes>("descriptor");
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("feature");

        QTest::newRow("receiver, unnumbered: 5 in, 3 out")
            << fromHex(UnnumberedReceiver) << false << 5 << 3 << 0;
        QTest::newRow("receiver, numbered: largest report wins")
            << fromHex(NumberedReceiver) << true << 7 << 3 << 0;
        // 3 + 5 bits of input: padding counts, rounded up with the ID byte.
        QTest::newRow("bits rounded up, constant padding included")
            << fromHex("0600ff0901a1017501950381029505810375019502910295019101c0") << false << 2
            << 2 << 0;
        // Report Size pushed as 8, changed to 16 and popped back before the input.
        QTest::newRow("push and pop restore the report size")
            << fromHex("0600ff0901a1017508a47510950181 02b4950281 02c0") << false << 5 << 0 << 0;
        // Report Count as 4-byte data: 0x00000003.
        QTest::newRow("4-byte item data")
            << fromHex("0600ff0901a101750897030000008102c0") << false << 4 << 0 << 0;
        // A long item (tag 0x10, 2 data bytes) sits between the items.
        QTest::newRow("long item skipped")
            << fromHex("0600ff0901a1017508fe0210abcd95048102c0") << false << 5 << 0 << 0;
        QTest::newRow("feature report only")
            << fromHex("0600ff0901a10175089520b102c0") << false << 0 << 0 << 33;
        QTest::newRow("the longest report a platform carries")
            << fromHex("0600ff0901a101750897ff3f00008102c0") << false << 16384 << 0 << 0;
    }
    void handMade() {
        QFETCH(Bytes, descriptor);
        QFETCH(bool, numbered);
        QFETCH(int, input);
        QFETCH(int, output);
        QFETCH(int, feature);

        const hid::DescriptorSummary summary = hid::parseReportDescriptor(descriptor);

        QVERIFY(summary.wellFormed);
        QCOMPARE(summary.numberedReports, numbered);
        QCOMPARE(summary.collections.size(), std::size_t(1));
        QCOMPARE(summary.collections[0].usagePage, std::uint16_t(0xFF00));
        QCOMPARE(summary.collections[0].usage, std::uint16_t(0x0001));
        QCOMPARE(
            summary.collections[0].lengths,
            (hid::ReportLengths{std::size_t(input), std::size_t(output), std::size_t(feature)}));
    }

    void malformed_data() {
        QTest::addColumn<Bytes>("descriptor");
        QTest::newRow("item data cut off") << fromHex("0600ff0901a101750895");
        QTest::newRow("4-byte data cut off") << fromHex("0600ff0901a10197030000");
        QTest::newRow("long item cut off") << fromHex("0600ff0901a101fe0810abcd");
        QTest::newRow("collection left open") << fromHex("0600ff0901a10175089504 8102");
        QTest::newRow("end without collection") << fromHex("c0");
        QTest::newRow("pop without push") << fromHex("b4");
        // Report Size and Count of 2^32 - 1: about 2.3e18 bytes of input.
        QTest::newRow("input beyond any platform")
            << fromHex("0600ff0901a10177ffffffff97ffffffff8102c0");
        // 2^64 + 8 bits, which wraps to 8 in 64-bit arithmetic.
        QTest::newRow("sum of 2^64 + 8 bits")
            << fromHex("0600ff0901a101770000008097000000808102810281028102750895018102c0");
        // 2^64 - 1 bits, which rounds up to 0 bytes when wrapped.
        QTest::newRow("sum of 2^64 - 1 bits")
            << fromHex("0600ff0901a10177ffffffff97ffffffff810297020000008102c0");
        QTest::newRow("output beyond any platform")
            << fromHex("0600ff0901a10175089504810277ffffffff97ffffffff9102c0");
        QTest::newRow("16384 data bytes and the ID byte")
            << fromHex("0600ff0901a101750897004000008102c0");
    }
    void malformed() {
        QFETCH(Bytes, descriptor);
        const hid::DescriptorSummary summary = hid::parseReportDescriptor(descriptor);
        QVERIFY(!summary.wellFormed);
        QVERIFY(*summary.problem != 0);
        for (const hid::TopLevelCollection& c : summary.collections) {
            QVERIFY(c.lengths.input <= hid::MaxReportLength);
            QVERIFY(c.lengths.output <= hid::MaxReportLength);
        }
    }

    void deviceLengthsTakeTheLargest() {
        // Two collections: the second has the longer input, the first the longer output.
        const Bytes descriptor = fromHex("0600ff0901a101850175089502810295049102c0"
                                         "0600ff0902a101850275089508810295019102c0");
        const hid::DescriptorSummary summary = hid::parseReportDescriptor(descriptor);
        QCOMPARE(summary.collections.size(), std::size_t(2));
        QCOMPARE(summary.collections[1].usage, std::uint16_t(2));
        QCOMPARE(hid::deviceReportLengths(summary), (hid::ReportLengths{9, 5, 0}));
    }
};

QTEST_APPLESS_MAIN(tst_ReportDescriptor)
#include "tst_reportdescriptor.moc"
