// SPDX-License-Identifier: MIT
#include "cycle/CycleOutput.h"

#include "sensor/PanelView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <array>
#include <optional>

namespace cycle {

using namespace sensor;

namespace {

const QString Point = QStringLiteral(".");

// One sensor as the machine formats carry it.
struct SensorFields {
    int sensor = 0;
    std::optional<ShownNumber> pressure; // nothing: no data
    QString pressureText;
    std::optional<ShownNumber> temperature;
    QString temperatureText;
    QString battery;
    // The bytes as received; nothing when nothing was, so that no 255 passes
    // for one the receiver sent.
    std::optional<int> batteryRaw;
    QString status;
    std::optional<int> statusByte;
    QString raw; // empty when the receiver was not reached
};

SensorFields fieldsOf(const CycleResult& cycle, const UnitState& units, int index) {
    const SensorRecord& record = cycle.data[static_cast<std::size_t>(index)];
    SensorFields f;
    f.sensor = index + 1;
    // Machine formats write '.' whatever the locale; temperatures have no decimals.
    f.pressure = units.pressure(record.pressure);
    f.pressureText = units.FormatPressure(record.pressure, Point);
    f.temperature = units.temperature(record.temperature);
    f.temperatureText = units.FormatTemperature(record.temperature);
    f.battery = batteryName(batteryClass(record.battery));
    f.status = statusText(record.status);
    if (cycle.reached) {
        f.batteryRaw = record.battery;
        f.statusByte = record.status;
        f.raw = hexBytes(record, true);
    }
    return f;
}

QString isoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString csvField(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\r')) && !field.contains(QLatin1Char('\n'))) {
        return field;
    }
    QString quoted = field;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString numberText(const std::optional<ShownNumber>& number) {
    return number ? number->text(Point) : QString();
}

QString byteText(const std::optional<int>& byte) {
    return byte ? QString::number(*byte) : QString();
}

QJsonValue numberOrNull(const std::optional<ShownNumber>& number) {
    return number ? QJsonValue(number->value()) : QJsonValue();
}

QJsonValue byteOrNull(const std::optional<int>& byte) {
    return byte ? QJsonValue(*byte) : QJsonValue();
}

const QStringList earlierColumns{QStringLiteral("time"),
                                 QStringLiteral("reached"),
                                 QStringLiteral("device"),
                                 QStringLiteral("sensor"),
                                 QStringLiteral("pressure"),
                                 QStringLiteral("pressure_unit"),
                                 QStringLiteral("pressure_text"),
                                 QStringLiteral("temperature"),
                                 QStringLiteral("temperature_unit"),
                                 QStringLiteral("temperature_text"),
                                 QStringLiteral("battery"),
                                 QStringLiteral("battery_raw"),
                                 QStringLiteral("status"),
                                 QStringLiteral("status_byte"),
                                 QStringLiteral("raw")};

} // namespace

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

std::optional<OutputFormat> outputFormatNamed(const QString& name) {
    for (const auto& [format, formatName] : OutputFormats) {
        if (name == QLatin1String(formatName)) {
            return format;
        }
    }
    return std::nullopt;
}

QString outputFormatNames() {
    QStringList names;
    for (const auto& [format, name] : OutputFormats) {
        names << QString::fromLatin1(name);
    }
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QByteArray outputHeader(OutputFormat format) {
    switch (format) {
    case OutputFormat::Csv:
        return csvHeader();
    case OutputFormat::Text:
    case OutputFormat::Json:
        break;
    }
    return {};
}

QByteArray outputCycle(OutputFormat format, const CycleResult& cycle, const UnitState& units,
                       bool first) {
    switch (format) {
    case OutputFormat::Text:
        // A blank line between the tables of successive cycles.
        return (first ? "" : "\n") + textTable(cycle, units).toLocal8Bit();
    case OutputFormat::Csv:
        return csvRows(cycle, units);
    case OutputFormat::Json:
        return jsonLine(cycle, units);
    }
    return {};
}

const std::array<CsvLayout, 2>& csvLayouts() {
    static const std::array<CsvLayout, 2> layouts{{
        {"with serial numbers", earlierColumns + QStringList{QStringLiteral("serial")}},
        {"without serial numbers (Tyrescope 1.3.0)", earlierColumns},
    }};
    return layouts;
}

const CsvLayout& currentCsvLayout() {
    return csvLayouts().front();
}

QByteArray csvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << csvField(field);
    }
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QByteArray csvHeader(const CsvLayout& layout) {
    return csvLine(layout.columns);
}

QByteArray csvRows(const CycleResult& cycle, const UnitState& units, const CsvLayout& layout) {
    QByteArray rows;
    const QString time = isoTime(cycle.time);
    const QString reached = cycle.reached ? QStringLiteral("true") : QStringLiteral("false");
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const SensorFields f = fieldsOf(cycle, units, i);
        // In the order of the current layout's columns; an earlier layout takes its own.
        const QStringList fields{time,
                                 reached,
                                 cycle.devicePath,
                                 QString::number(f.sensor),
                                 numberText(f.pressure),
                                 units.PressureUnitLabel(),
                                 f.pressureText,
                                 numberText(f.temperature),
                                 units.TemperatureUnitLabel(),
                                 f.temperatureText,
                                 f.battery,
                                 byteText(f.batteryRaw),
                                 f.status,
                                 byteText(f.statusByte),
                                 f.raw,
                                 cycle.deviceSerial};
        QStringList picked;
        for (const QString& column : layout.columns) {
            picked << fields[currentCsvLayout().columns.indexOf(column)];
        }
        rows += csvLine(picked);
    }
    return rows;
}

QJsonObject jsonObject(const CycleResult& cycle, const UnitState& units) {
    QJsonArray sensors;
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const SensorFields f = fieldsOf(cycle, units, i);
        sensors.append(QJsonObject{
            {QStringLiteral("sensor"), f.sensor},
            {QStringLiteral("pressure"), numberOrNull(f.pressure)},
            {QStringLiteral("pressure_text"), f.pressureText},
            {QStringLiteral("temperature"), numberOrNull(f.temperature)},
            {QStringLiteral("temperature_text"), f.temperatureText},
            {QStringLiteral("battery"), f.battery},
            {QStringLiteral("battery_raw"), byteOrNull(f.batteryRaw)},
            {QStringLiteral("status"), f.status},
            {QStringLiteral("status_byte"), byteOrNull(f.statusByte)},
            {QStringLiteral("raw"), f.raw.isEmpty() ? QJsonValue() : QJsonValue(f.raw)},
        });
    }
    return QJsonObject{
        {QStringLiteral("time"), isoTime(cycle.time)},
        {QStringLiteral("reached"), cycle.reached},
        {QStringLiteral("device"), textOrNull(cycle.devicePath)},
        {QStringLiteral("serial"), textOrNull(cycle.deviceSerial)},
        {QStringLiteral("pressure_unit"), units.PressureUnitLabel()},
        {QStringLiteral("temperature_unit"), units.TemperatureUnitLabel()},
        {QStringLiteral("sensors"), sensors},
    };
}

QByteArray jsonLine(const CycleResult& cycle, const UnitState& units) {
    return QJsonDocument(jsonObject(cycle, units)).toJson(QJsonDocument::Compact) + '\n';
}

QString textTable(const CycleResult& cycle, const UnitState& units, const CellMarks& marks) {
    QString text;
    const QString receiver =
        cycle.devicePath + (cycle.deviceSerial.isEmpty()
                                ? QString()
                                : QStringLiteral(" (serial %1)").arg(cycle.deviceSerial));
    if (cycle.reached) {
        text = QStringLiteral("On line: receiver at %1").arg(receiver);
    } else if (!cycle.devicePath.isEmpty()) {
        text = QStringLiteral("Off line: receiver at %1 lost during the cycle").arg(receiver);
    } else {
        text = QStringLiteral("Off line: no receiver found");
    }
    text += QStringLiteral(", %1\n").arg(isoTime(cycle.time));

    constexpr std::size_t columns = 6;
    std::array<QStringList, columns> cells{
        QStringList{QStringLiteral("Sensor")},      QStringList{QStringLiteral("Pressure")},
        QStringList{QStringLiteral("Temperature")}, QStringList{QStringLiteral("Battery")},
        QStringList{QStringLiteral("Status")},      QStringList{QStringLiteral("Raw data")}};
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const SensorRecord& record = cycle.data[static_cast<std::size_t>(i)];
        const BatteryClass battery = batteryClass(record.battery);
        const auto& mark = marks[static_cast<std::size_t>(i)];
        const auto marked = [&mark](std::size_t measure, const QString& cell) {
            return mark[measure].isEmpty() ? cell : cell + QLatin1Char(' ') + mark[measure];
        };
        // The window's texts, numbers in the user's locale, without their captions.
        cells[0] << QString::number(i + 1);
        cells[1] << marked(0, units.pressureText(record.pressure, QLocale().decimalPoint()));
        cells[2] << marked(1, units.temperatureText(record.temperature));
        cells[3] << marked(
            2, battery == BatteryClass::None
                   ? batteryName(battery)
                   : QStringLiteral("%1 (%2)").arg(batteryName(battery)).arg(record.battery));
        cells[4] << marked(3, statusName(record.status));
        cells[5] << hexBytes(record, cycle.reached);
    }
    for (qsizetype row = 0; row <= protocol::SensorCount; ++row) {
        QString line;
        for (std::size_t column = 0; column < columns; ++column) {
            if (column + 1 == columns) {
                line += cells[column][row];
                break;
            }
            qsizetype width = 0;
            for (const QString& cell : cells[column]) {
                width = std::max(width, cell.size());
            }
            line += cells[column][row].leftJustified(width + 2);
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

} // namespace cycle
