// SPDX-License-Identifier: MIT
#pragma once

#include "protocol/ReceiverProtocol.h"
#include "sensor/SensorRecord.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// What a production line accepts of a receiver's sensors, as a line engineer
// writes it once per product in a limits file (docs/limits.md).
namespace verdict {

// Bounds in one unit; either may be open, both are inclusive.
template <typename Unit> struct Range {
    Unit unit{};
    std::optional<double> min;
    std::optional<double> max;

    friend bool operator==(const Range&, const Range&) = default;
};

// What one sensor is held to: the product-wide limits with its own overrides.
struct SensorLimits {
    std::optional<Range<sensor::PressureUnit>> pressure;
    std::optional<Range<sensor::TemperatureUnit>> temperature;
    std::optional<sensor::BatteryClass> battery; // the lowest class that passes
    std::optional<QList<std::uint8_t>> status;   // the status codes that pass
    // A sensor that need not hold data: a value is judged only when it is there.
    bool optional = false;

    friend bool operator==(const SensorLimits&, const SensorLimits&) = default;
};

struct Limits {
    QString name;
    // The file's object as read, so that a record can say what was applied.
    QJsonObject source;
    // Sensor 1 at index 0. Default-constructed limits judge nothing.
    std::array<SensorLimits, protocol::SensorCount> sensors{};
};

// Limits, or why the text holds none: the key path and the reason, such as
// "sensors.3.pressure.min: above max".
struct ParsedLimits {
    std::optional<Limits> limits;
    QString error;
};
// A file without a "name" key is named fallbackName.
ParsedLimits parseLimits(const QByteArray& json, const QString& fallbackName);

struct LimitsFile {
    Limits limits;
    QString sha256; // of the file's bytes, lower-case hex
};
struct ReadLimits {
    std::optional<LimitsFile> file;
    QString error; // without the path, which the caller names
};
// Named after the file's base name unless it names itself.
ReadLimits readLimitsFile(const QString& path);

// The status names a limits file uses, "storage mode" to "temperature alert",
// for codes 0 to 3; for other codes the program's text for them.
QString statusWord(std::uint8_t status);

} // namespace verdict
