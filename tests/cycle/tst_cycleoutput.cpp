// SPDX-License-Identifier: MIT
#include "cycle/CycleOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// Sensors 1 to 4 hold records, sensor 5 was never heard from.
cycle::CycleResult fourSensors() {
    cycle::CycleResult result;
    result.time = QDateTime::fromString("2024-05-01T12:00:00.250+02:00", Qt::ISODateWithMs);
    result.opened = result.reached = true;
    result.devicePath = "emulated/0";
    result.deviceSerial = "TPMS-0042";
    result.data = {{{0x78, 0x41, 0x50, 0x01}, // 200 kPa, 25 °C
                    {0x04, 0x16, 0x30, 0x03}, // -90 kPa, -18 °C
                    {0x2B, 0x28, 0x10, 0x02}, // 7.5 kPa, 0 °C
                    {0xFE, 0xFE, 0xFE, 0x00},
                    {0xFF, 0xFF, 0xFF, 0xFF}}};
    return result;
}

sensor::UnitState barAndFahrenheit() {
    sensor::UnitState units;
    units.select(sensor::PressureUnit::Bar);
    units.select(sensor::TemperatureUnit::Fahrenheit);
    return units;
}

// CSV lines split at every comma: for fields that need no quotes.
QList<QStringList> fieldsOf(const QByteArray& csv) {
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(csv).split(QStringLiteral("\r\n"))) {
        rows << line.split(QLatin1Char(','));
    }
    rows.removeLast(); // what follows the last line break
    return rows;
}

} // namespace

// Machine formats keep '.' under a comma locale; the text table follows the locale.
class tst_CycleOutput : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void json() {
        const QByteArray line =
            cycle::outputCycle(cycle::OutputFormat::Json, fourSensors(), barAndFahrenheit(), true);
        QVERIFY(line.endsWith('\n') && line.count('\n') == 1);
        QJsonParseError error{};
        const QJsonObject cycle = QJsonDocument::fromJson(line, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(cycle["time"], QJsonValue("2024-05-01T10:00:00.250Z"));
        QCOMPARE(cycle["reached"], QJsonValue(true));
        QCOMPARE(cycle["device"], QJsonValue("emulated/0"));
        QCOMPARE(cycle["serial"], QJsonValue("TPMS-0042"));
        const QJsonArray sensors = cycle["sensors"].toArray();
        QCOMPARE(sensors.size(), 5);
        QCOMPARE(sensors[0]["pressure"], QJsonValue(2.0));
        QCOMPARE(sensors[0]["pressure_text"], QJsonValue("Pressure: 2.00 Bar"));
        QCOMPARE(sensors[0]["temperature"], QJsonValue(77));
        QCOMPARE(sensors[1]["pressure"], QJsonValue(-0.9));
        QCOMPARE(sensors[1]["temperature"], QJsonValue(0)); // -0.4 °F
        QCOMPARE(sensors[2]["pressure"], QJsonValue(0.08)); // 0.075 rounds away from zero
        QCOMPARE(sensors[2]["battery"], QJsonValue("low"));
        QCOMPARE(sensors[3]["battery_raw"], QJsonValue(254));
        QCOMPARE(sensors[4]["pressure"], QJsonValue(QJsonValue::Null));
        QCOMPARE(sensors[0]["raw"], QJsonValue("78 41 50 01"));

        // Nothing was read: null, not an empty text, and no byte never received.
        const QJsonObject lost =
            QJsonDocument::fromJson(cycle::jsonLine(cycle::CycleResult{}, {})).object();
        QVERIFY(lost["device"].isNull() && lost["serial"].isNull());
        for (const char* received : {"raw", "battery_raw", "status_byte"}) {
            QVERIFY2(lost["sensors"][0][received].isNull(), received);
        }
    }

    void csv() {
        const sensor::UnitState units = barAndFahrenheit();
        const QList<QStringList> rows =
            fieldsOf(cycle::csvHeader() +
                     cycle::outputCycle(cycle::OutputFormat::Csv, fourSensors(), units, true));
        QCOMPARE(rows.size(), 6); // one header, five rows
        const QStringList& header = rows[0];
        for (const QStringList& row : rows) {
            QCOMPARE(row.size(), header.size());
        }
        const auto field = [&](int row, const char* column) {
            return rows[row][header.indexOf(column)];
        };
        QCOMPARE(field(1, "time"), "2024-05-01T10:00:00.250Z");
        QCOMPARE(field(1, "pressure"), "2.00");
        QCOMPARE(field(3, "pressure"), "0.08");
        QCOMPARE(field(2, "temperature"), "0");
        QCOMPARE(field(2, "temperature_unit"), "\u00B0F");
        QCOMPARE(field(5, "pressure"), "");
        QCOMPARE(field(4, "raw"), "FE FE FE 00");
        QCOMPARE(header.last(), "serial");
        QCOMPARE(field(4, "serial"), "TPMS-0042");
    }

    // The window's texts in the user's locale, lined up; later cycles set apart.
    void textTable() {
        const sensor::UnitState units = barAndFahrenheit();
        const QStringList table =
            QString::fromLocal8Bit(
                cycle::outputCycle(cycle::OutputFormat::Text, fourSensors(), units, true) +
                cycle::outputCycle(cycle::OutputFormat::Text, fourSensors(), units, false))
                .split('\n');
        QCOMPARE(table[0], "On line: receiver at emulated/0 (serial TPMS-0042), "
                           "2024-05-01T10:00:00.250Z");
        QCOMPARE(table[2].simplified(),
                 QString("1 2,00 Bar 77 \u00B0F high (80) Normal mode 78 41 50 01"));
        // Columns line up: every row's raw bytes start where the heading does.
        QCOMPARE(table[3].indexOf("04 16"), table[1].indexOf("Raw data"));
        QCOMPARE(table[7], QString()); // one blank line before the next cycle's table
        QCOMPARE(table[8], table[0]);
    }

    // A field holding a comma, a quote or a line break is quoted (RFC 4180); and
    // nothing received, no byte passes for one the receiver sent.
    void csvQuotesWhatNeedsIt_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "/dev/hidraw0"
                               << "/dev/hidraw0";
        QTest::newRow("comma") << "/dev/odd,path"
                               << "\"/dev/odd,path\"";
        QTest::newRow("quote") << "/dev/odd\"path\""
                               << "\"/dev/odd\"\"path\"\"\"";
        QTest::newRow("line break") << "/dev/odd\r\npath"
                                    << "\"/dev/odd\r\npath\"";
    }
    void csvQuotesWhatNeedsIt() {
        QFETCH(QString, device);
        QFETCH(QString, field);
        cycle::CycleResult result;
        result.devicePath = device;
        result.data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));

        const QByteArray rows = cycle::csvRows(result, sensor::UnitState());

        QCOMPARE(rows.count(",false," + field.toUtf8() + ","), 5);
        const QStringList header = fieldsOf(cycle::csvHeader())[0];
        // The last row from the device's field on, which reads as empty.
        const QStringList last =
            fieldsOf(rows.mid(rows.lastIndexOf(field.toUtf8()) + field.size()))[0];
        QCOMPARE(last.size(), header.size() - 2);
        QCOMPARE(last[header.indexOf("sensor") - 2], "5");
        QCOMPARE(last[header.indexOf("battery_raw") - 2], "");
        QCOMPARE(last[header.indexOf("status_byte") - 2], "");
    }
};

QTEST_GUILESS_MAIN(tst_CycleOutput)
#include "tst_cycleoutput.moc"
