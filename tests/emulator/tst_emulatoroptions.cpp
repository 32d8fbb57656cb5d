// SPDX-License-Identifier: MIT
#include "emulator/EmulatorOptions.h"

#include <QtTest>

using namespace emulator;

namespace {

std::vector<std::string> toArgs(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) {
        out.push_back(s.toStdString());
    }
    return out;
}

} // namespace

class tst_EmulatorOptions : public QObject {
    Q_OBJECT

private slots:
    void rejectsBadOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");

        QTest::newRow("unknown") << QStringList{"--frobnicate"} << "unknown option --frobnicate";
        QTest::newRow("unknown after a good one")
            << QStringList{"--silent", "--silence"} << "unknown option --silence";
        QTest::newRow("value missing") << QStringList{"--record"} << "--record needs a value";
        QTest::newRow("option taken as value")
            << QStringList{"--receivers", "--decoys"} << "--decoys";
        QTest::newRow("sensor 0") << QStringList{"--record", "0=78415001"} << "0=78415001";
        QTest::newRow("sensor 6") << QStringList{"--record", "6=78415001"} << "6=78415001";
        QTest::newRow("3-byte record") << QStringList{"--record", "1=784150"} << "1=784150";
        QTest::newRow("5-byte record") << QStringList{"--record", "1=7841500102"} << "1=7841500102";
        QTest::newRow("not hex") << QStringList{"--record", "1=7841500g"} << "1=7841500g";
        QTest::newRow("no equals") << QStringList{"--record", "178415001"} << "178415001";
        QTest::newRow("odd hex") << QStringList{"--unsolicited", "abc"} << "abc";
        QTest::newRow("sign in hex") << QStringList{"--unsolicited", "+1"} << "+1";
        QTest::newRow("serial longer than the kernel keeps")
            << QStringList{"--serial", QString(64, 's')} << "--serial";
        QTest::newRow("unplug 0") << QStringList{"--unplug-after", "0"} << "0";
        QTest::newRow("trailing text") << QStringList{"--unplug-after", "3x"} << "3x";
        QTest::newRow("five receivers") << QStringList{"--receivers", "5"} << "5";
        QTest::newRow("no input bytes") << QStringList{"--input-bytes", "0"} << "0";
        QTest::newRow("too many output bytes") << QStringList{"--output-bytes", "65"} << "65";
        QTest::newRow("report ID 0") << QStringList{"--report-id", "0"} << "0";
        QTest::newRow("report ID 256") << QStringList{"--report-id", "256"} << "256";
        QTest::newRow("replug without unplug")
            << QStringList{"--replug-after", "100"} << "--unplug-after";
    }
    void rejectsBadOptions() {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        const auto parsed = parseEmulatorOptions(toArgs(args));
        QVERIFY(!parsed.options);
        QVERIFY2(QString::fromStdString(parsed.error).contains(mentions), parsed.error.c_str());
    }

    void scriptOptions() {
        const auto parsed = parseEmulatorOptions(
            toArgs({"--record", "3=78415001",     "--record",    "5=ffFFffFF",
                    "--silent", "--unsolicited",  "a1b2",        "--unsolicited",
                    "c3",       "--serial",       "TPMS-A",      "--serial",
                    "B",        "--unplug-after", "2",           "--replug-after",
                    "300",      "--decoys",       "--receivers", "0",
                    "--quiet"}));
        QVERIFY2(parsed.options, parsed.error.c_str());
        const EmulatorOptions& o = *parsed.options;
        QVERIFY(!o.records[0] && !o.records[1] && !o.records[3]);
        QCOMPARE(*o.records[2], (std::array<std::uint8_t, 4>{0x78, 0x41, 0x50, 0x01}));
        QCOMPARE(*o.records[4], (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
        QVERIFY(o.silent && o.decoys && o.quiet && !o.help);
        QCOMPARE(o.unsolicited.size(), std::size_t{2});
        QCOMPARE(o.unsolicited[0], (std::vector<std::uint8_t>{0xA1, 0xB2}));
        QCOMPARE(o.unsolicited[1], (std::vector<std::uint8_t>{0xC3}));
        QCOMPARE(o.serials, (std::vector<std::string>{"TPMS-A", "B"}));
        QCOMPARE(o.unplugAfter, 2);
        QCOMPARE(*o.replugAfter, std::chrono::milliseconds(300));
        QCOMPARE(o.receivers, 0);

        const auto defaults = parseEmulatorOptions({});
        QVERIFY(defaults.options);
        QVERIFY(!defaults.options->silent && !defaults.options->decoys &&
                !defaults.options->replugAfter);
        QCOMPARE(defaults.options->receivers, 1);
        QCOMPARE(defaults.options->unplugAfter, 0);
    }

    void layoutOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("inputBytes");
        QTest::addColumn<int>("outputBytes");
        QTest::addColumn<int>("reportId");

        QTest::newRow("receiver as built") << QStringList{} << 4 << 2 << 0;
        QTest::newRow("lengths") << QStringList{"--input-bytes", "8", "--output-bytes", "1"} << 8
                                 << 1 << 0;
        QTest::newRow("largest") << QStringList{"--input-bytes", "64", "--output-bytes", "64"} << 64
                                 << 64 << 0;
        QTest::newRow("numbered") << QStringList{"--report-id", "255"} << 4 << 2 << 255;
    }
    void layoutOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, inputBytes);
        QFETCH(int, outputBytes);
        QFETCH(int, reportId);
        const auto parsed = parseEmulatorOptions(toArgs(args));
        QVERIFY2(parsed.options, parsed.error.c_str());
        QCOMPARE(parsed.options->layout.inputBytes, std::size_t(inputBytes));
        QCOMPARE(parsed.options->layout.outputBytes, std::size_t(outputBytes));
        QCOMPARE(int(parsed.options->layout.reportId), reportId);
    }
};

QTEST_GUILESS_MAIN(tst_EmulatorOptions)
#include "tst_emulatoroptions.moc"
