// SPDX-License-Identifier: MIT
#include "emulator/ReportLayout.h"
#include "hid/ReportDescriptor.h"

#include <QtTest>

using namespace emulator;

class tst_ReportLayout : public QObject {
    Q_OBJECT

private slots:
    void frameInput_data() {
        QTest::addColumn<int>("inputBytes");
        QTest::addColumn<int>("reportId");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("framed");

        const QByteArray record("\x78\x41\x50\x01", 4);
        QTest::newRow("exact") << 4 << 0 << record << record;
        QTest::newRow("padded") << 6 << 0 << record << record + QByteArray(2, '\0');
        QTest::newRow("cut") << 2 << 0 << record << record.left(2);
        QTest::newRow("numbered") << 4 << 7 << record << QByteArray("\x07") + record;
        QTest::newRow("numbered, padded")
            << 5 << 9 << QByteArray("\xaa", 1) << QByteArray("\x09\xaa\x00\x00\x00\x00", 6);
    }
    void frameInput() {
        QFETCH(int, inputBytes);
        QFETCH(int, reportId);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, framed);
        ReportLayout layout;
        layout.inputBytes = std::size_t(inputBytes);
        layout.reportId = std::uint8_t(reportId);
        const std::vector<std::uint8_t> in(data.begin(), data.end());
        QCOMPARE(emulator::frameInput(layout, in),
                 std::vector<std::uint8_t>(framed.begin(), framed.end()));
    }

    void commandOf_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("command"); // -1: none

        QTest::newRow("3 bytes") << QByteArray("\x00\x21\x00", 3) << 0x21;
        QTest::newRow("2 bytes") << QByteArray("\x00\xfe", 2) << 0xfe;
        QTest::newRow("numbered") << QByteArray("\x05\x25\x00", 3) << 0x25;
        QTest::newRow("report ID alone") << QByteArray("\x00", 1) << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void commandOf() {
        QFETCH(QByteArray, output);
        QFETCH(int, command);
        const std::vector<std::uint8_t> report(output.begin(), output.end());
        const auto got = emulator::commandOf(report);
        QCOMPARE(got ? int(*got) : -1, command);
    }

    void descriptor_data() {
        QTest::addColumn<int>("inputBytes");
        QTest::addColumn<int>("outputBytes");
        QTest::addColumn<int>("reportId");

        QTest::newRow("receiver as built") << 4 << 2 << 0;
        QTest::newRow("1-byte output") << 4 << 1 << 0;
        QTest::newRow("long reports") << 64 << 64 << 0;
        QTest::newRow("numbered") << 4 << 2 << 3;
    }
    void descriptor() {
        QFETCH(int, inputBytes);
        QFETCH(int, outputBytes);
        QFETCH(int, reportId);
        ReportLayout layout;
        layout.inputBytes = std::size_t(inputBytes);
        layout.outputBytes = std::size_t(outputBytes);
        layout.reportId = std::uint8_t(reportId);

        // The transport's own parser must read back the lengths the emulator
        // meant to declare, report ID byte included.
        const auto summary = hid::parseReportDescriptor(vendorReportDescriptor(layout));
        QVERIFY(summary.wellFormed);
        QCOMPARE(summary.numberedReports, reportId != 0);
        QCOMPARE(summary.collections.size(), std::size_t{1});
        const hid::TopLevelCollection& top = summary.collections.front();
        QCOMPARE(top.usagePage, std::uint16_t{0xFF00});
        QCOMPARE(top.usage, std::uint16_t{0x0001});
        QCOMPARE(top.lengths.input, std::size_t(inputBytes + 1));
        QCOMPARE(top.lengths.output, std::size_t(outputBytes + 1));
        QCOMPARE(top.lengths.feature, std::size_t{0});
    }
};

QTEST_GUILESS_MAIN(tst_ReportLayout)
#include "tst_reportlayout.moc"
