// SPDX-License-Identifier: MIT
#include "tests/support/Limits.h"
#include "verdict/Judge.h"
#include "verdict/Limits.h"
#include "verdict/VerdictOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const char* const Kpa = "{'pressure':{'min':220,'max':260,'unit':'kpa'}}";
const char* const Celsius = "{'temperature':{'min':-20,'max':60,'unit':'c'}}";
const char* const BatteryMid = "{'battery':{'min':'mid'}}";
const char* const Normal = "{'status':['normal mode']}";
const char* const Spare = "{'pressure':{'min':220,'unit':'kpa'},'sensors':{'5':{'optional':true}}}";
const char* const Override = "{'pressure':{'min':220,'unit':'kpa'},'sensors':{'3':{'pressure':"
                             "{'min':180,'unit':'kpa'}},'4':{'pressure':null}}}";

} // namespace

class tst_Limits : public QObject {
    Q_OBJECT

private slots:
    // One value of one sensor: "pass", "-" when not judged, else why it failed.
    void judgeValue_data() {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<int>("sensor");
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("measure");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* limits, int sensor, const char* record,
                            verdict::Measure measure, const char* expected) {
            QTest::newRow(name) << limits << sensor << record << static_cast<int>(measure)
                                << expected;
        };
        using M = verdict::Measure;
        row("kPa below min", Kpa, 1, "7F 41 50 01", M::Pressure, "218 KPa below min 220 KPa");
        row("kPa 217.5 shows 218 on min", "{'pressure':{'min':218,'unit':'kpa'}}", 1, "7F 41 50 01",
            M::Pressure, "pass");
        row("kPa on min", Kpa, 1, "80 41 50 01", M::Pressure, "pass");
        row("kPa on max", Kpa, 1, "90 41 50 01", M::Pressure, "pass");
        row("kPa above max", Kpa, 1, "91 41 50 01", M::Pressure, "263 KPa above max 260 KPa");
        row("kPa no max set", "{'pressure':{'min':220,'unit':'kpa'}}", 1, "FE 41 50 01",
            M::Pressure, "pass");
        row("Bar 2.175 shows 2.18 on min", "{'pressure':{'min':2.18,'unit':'bar'}}", 1,
            "7F 41 50 01", M::Pressure, "pass");
        row("Bar 2.175 shows 2.18 above max", "{'pressure':{'max':2.17,'unit':'Bar'}}", 1,
            "7F 41 50 01", M::Pressure, "2.18 Bar above max 2.17 Bar");
        row("PSI 32.625 shows 32.6 on max", "{'pressure':{'max':32.6,'unit':'psi'}}", 1,
            "82 41 50 01", M::Pressure, "pass");
        row("PSI 32.9875 shows 33.0 on min", "{'pressure':{'min':33,'unit':'psi'}}", 1,
            "83 41 50 01", M::Pressure, "pass");
        row("PSI above max", "{'pressure':{'max':32.6,'unit':'psi'}}", 1, "83 41 50 01",
            M::Pressure, "33.0 PSI above max 32.6 PSI");
        row("°C on min", Celsius, 1, "78 14 50 01", M::Temperature, "pass");
        row("°C below min", Celsius, 1, "78 13 50 01", M::Temperature, "-21 °C below min -20 °C");
        row("°C above max", Celsius, 1, "78 65 50 01", M::Temperature, "61 °C above max 60 °C");
        row("°F 141.8 shows 142", "{'temperature':{'max':141,'unit':'f'}}", 1, "78 65 50 01",
            M::Temperature, "142 °F above max 141 °F");
        row("°F -0.4 shows 0 on min", "{'temperature':{'min':0,'unit':'F'}}", 1, "78 16 50 01",
            M::Temperature, "pass");
        row("pressure no data", Kpa, 2, "FF 41 50 01", M::Pressure, "no data");
        row("battery no data", BatteryMid, 2, "78 41 FF 01", M::Battery, "no data");
        row("status no data", Normal, 2, "78 41 50 FF", M::Status, "no data");
        row("battery low", BatteryMid, 1, "78 41 21 01", M::Battery, "low below min mid");
        row("battery mid", BatteryMid, 1, "78 41 22 01", M::Battery, "pass");
        row("battery high at least high", "{'battery':{'min':'high'}}", 1, "78 41 43 01",
            M::Battery, "pass");
        row("battery mid at least high", "{'battery':{'min':'high'}}", 1, "78 41 42 01", M::Battery,
            "mid below min high");
        row("status normal", Normal, 1, "78 41 50 01", M::Status, "pass");
        row("status pressure alert", Normal, 1, "78 41 50 02", M::Status,
            "pressure alert not allowed");
        row("status unknown code", Normal, 1, "78 41 50 04", M::Status, "? not allowed");
        row("status storage", "{'status':['Storage Mode','temperature alert']}", 1, "78 41 50 00",
            M::Status, "pass");
        row("no limit for the measure", Kpa, 1, "78 41 50 01", M::Temperature, "-");
        row("override loosens sensor 3", Override, 3, "78 41 50 01", M::Pressure, "pass");
        row("others keep the product's", Override, 2, "78 41 50 01", M::Pressure,
            "200 KPa below min 220 KPa");
        row("null takes the limit away", Override, 4, "78 41 50 01", M::Pressure, "-");
        row("optional sensor without data", Spare, 5, "FF FF FF FF", M::Pressure, "-");
        row("optional sensor with data", Spare, 5, "78 41 50 01", M::Pressure,
            "200 KPa below min 220 KPa");
        row("others must hold data", Spare, 4, "FF FF FF FF", M::Pressure, "no data");
    }
    void judgeValue() {
        QFETCH(QString, limits);
        QFETCH(int, sensor);
        QFETCH(QString, record);
        QFETCH(int, measure);
        QFETCH(QString, expected);
        const auto k = static_cast<std::size_t>(sensor - 1);
        const verdict::Judgement j = verdict::judgeSensor(
            recordsOf(record)[0], limitsOf(limits.toUtf8()).sensors[k])[std::size_t(measure)];
        const QString got = !j.judged ? QStringLiteral("-")
                            : j.pass  ? QStringLiteral("pass")
                                      : verdict::failure(j, QStringLiteral("."));
        QCOMPARE(got, expected);
    }

    // The cycle's verdict and its first failing cause, in sensor order, then
    // pressure, temperature, battery, status.
    void judgeCycle_data() {
        QTest::addColumn<QString>("records");
        QTest::addColumn<int>("opened"); // 0 no, 1 lost during the cycle, 2 reached
        QTest::addColumn<QString>("expected");
        const QString all = "78 41 50 01|78 41 50 01|78 41 50 01|78 41 50 01|78 41 50 01";
        QTest::newRow("pass") << all << 2 << "pass";
        QTest::newRow("sensor before measure")
            << "78 41 50 01|78 70 50 01|A0 41 50 01|78 41 50 01|78 41 50 01" << 2
            << "fail: sensor 2 temperature 72 °C above max 60 °C";
        QTest::newRow("battery before status")
            << "78 41 50 01|78 41 10 02|78 41 50 01|78 41 50 01|78 41 50 01" << 2
            << "fail: sensor 2 battery low below min mid";
        QTest::newRow("a sensor without data") << "78 41 50 01|78 41 50 01|78 41 50 01|78 41 50 01"
                                               << 2 << "fail: sensor 5 pressure no data";
        QTest::newRow("receiver not found") << all << 0 << "error: receiver not found";
        QTest::newRow("receiver lost")
            << all << 1 << "error: receiver at /dev/hidraw3 lost during the cycle";
    }
    void judgeCycle() {
        QFETCH(QString, records);
        QFETCH(int, opened);
        QFETCH(QString, expected);
        cycle::CycleResult result;
        result.opened = opened > 0;
        result.reached = opened == 2;
        result.devicePath = result.opened ? QStringLiteral("/dev/hidraw3") : QString();
        result.data = recordsOf(records);
        const verdict::CycleVerdict v =
            verdict::judge(result, limitsOf("{'pressure':{'max':300,'unit':'kpa'},'temperature':"
                                            "{'max':60,'unit':'c'},'battery':{'min':'mid'},"
                                            "'status':['normal mode']}"));
        const QString got = verdict::verdictName(v.verdict) +
                            (v.cause.isEmpty() ? QString() : QStringLiteral(": ") + v.cause);
        QCOMPARE(got, expected);
        QCOMPARE(v.firstFailure.has_value(), v.verdict == verdict::Verdict::Fail);
    }

    void badLimits_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* json, const char* error) {
            QTest::newRow(error) << QByteArray(json).replace('\'', '"') << QString(error);
        };
        row("{'status': ['normal mode']", "not JSON: unterminated object at offset 26");
        row("[]", "not a JSON object");
        row("{'colour': 1}", "colour: unknown key");
        row("{'sensors': {'2': {'colour': 'red'}}}", "sensors.2.colour: unknown key");
        row("{'sensors': {'6': {}}}", "sensors.6: sensor outside 1-5");
        row("{'sensors': {'01': {}}}", "sensors.01: sensor outside 1-5");
        row("{'sensors': {'3': {'pressure': {'min': 270, 'max': 260, 'unit': 'kpa'}}}}",
            "sensors.3.pressure.min: above max");
        row("{'pressure': {'min': 1, 'unit': 'atm'}}", "pressure.unit: unknown unit \"atm\"");
        row("{'temperature': {'max': 60}}", "temperature.unit: missing");
        row("{'temperature': {'max': '60', 'unit': 'c'}}", "temperature.max: not a number");
        row("{'pressure': {'unit': 'kpa'}}", "pressure: no min or max");
        row("{'battery': {'min': 'full'}}", "battery.min: unknown class \"full\"");
        row("{'status': ['normal mode', 'parked']}", "status[1]: unknown status \"parked\"");
        row("{'status': []}", "status: empty list");
        row("{'status': 'normal mode'}", "status: not a list");
        row("{'sensors': {'5': {'optional': 'yes'}}}", "sensors.5.optional: not true or false");
        row("{'name': 3, 'status': ['normal mode']}", "name: not a text");
        row("{'name': 'no limits', 'sensors': {'5': {'optional': true}}}",
            "no limits: no pressure, temperature, battery or status is named");
    }
    void badLimits() {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const verdict::ParsedLimits parsed = verdict::parseLimits(json, "test");
        QVERIFY(!parsed.limits);
        QCOMPARE(parsed.error, error);
    }

    // The example shipped for line engineers reads, and is named as it says.
    void exampleFile() {
        const verdict::ReadLimits read =
            verdict::readLimitsFile(QStringLiteral(TYRESCOPE_DOCS_DIR "/limits-example.json"));
        QVERIFY2(read.file, qPrintable(read.error));
        QCOMPARE(read.file->limits.name, QStringLiteral("Rimlink RL-5, end of line"));
        QVERIFY(verdict::readLimitsFile(QStringLiteral(TYRESCOPE_DOCS_DIR "/absent.json"))
                    .error.startsWith(QStringLiteral("cannot read it: ")));
    }

    // Marks beside each judged value and a verdict line; JSON adds keys only.
    void output() {
        QLocale::setDefault(QLocale::c());
        cycle::CycleResult result;
        result.opened = result.reached = true;
        result.devicePath = QStringLiteral("/dev/hidraw3");
        result.time = QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);
        result.data = recordsOf("78 41 50 01|58 3F 5A 02");
        sensor::UnitState units;
        const verdict::CycleVerdict v = verdict::judge(
            result, limitsOf("{'pressure':{'min':30,'unit':'psi'},'status':['normal mode'],"
                             "'sensors':{'3':{'optional':true},'4':{'optional':true},'5':"
                             "{'optional':true}}}"));
        const QStringList table = verdict::textTable(result, units, v).split('\n');
        QCOMPARE(table.size(), 9); // with what follows the last line end
        QCOMPARE(table[2],
                 "1       200 KPa [FAIL: 29.0 PSI below min 30 PSI]  25 °C        high (80)  "
                 "Normal mode [ok]                    78 41 50 01");
        QCOMPARE(table[3],
                 "2       120 KPa [FAIL: 17.4 PSI below min 30 PSI]  23 °C        high (90)  "
                 "Pressure alert [FAIL: not allowed]  58 3F 5A 02");
        QCOMPARE(table[7], "Verdict: FAIL: sensor 1 pressure 29.0 PSI below min 30 PSI");
        const QJsonObject line =
            QJsonDocument::fromJson(verdict::jsonLine(result, units, v)).object();
        const QJsonObject pressure = line["sensors"][1]["limits"]["pressure"].toObject();
        QCOMPARE(QJsonDocument(pressure).toJson(QJsonDocument::Compact),
                 R"({"max":null,"min":30,"unit":"PSI","value":17.4,"verdict":"fail"})");
        QCOMPARE(line["verdict"].toString(), "fail");
        QCOMPARE(line["cause"].toString(), "sensor 1 pressure 29.0 PSI below min 30 PSI");
        // An optional sensor without data: limited, not judged.
        QVERIFY(line["sensors"][2]["limits"]["pressure"]["verdict"].isNull());
    }
};

QTEST_GUILESS_MAIN(tst_Limits)
#include "tst_limits.moc"
