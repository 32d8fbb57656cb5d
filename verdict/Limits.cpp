// SPDX-License-Identifier: MIT
#include "verdict/Limits.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <initializer_list>

namespace verdict {

namespace {

// A limits file is a page of text; anything larger is a wrong path, such as a
// device that never ends.
constexpr qint64 MaxFileSize = 1024 * 1024;

QString joined(const QString& path, const QString& key) {
    return path.isEmpty() ? key : path + QLatin1Char('.') + key;
}

std::optional<sensor::PressureUnit> pressureUnitNamed(const QString& name) {
    for (const auto unit :
         {sensor::PressureUnit::KPa, sensor::PressureUnit::Bar, sensor::PressureUnit::PSI}) {
        if (name.compare(sensor::unitLabel(unit), Qt::CaseInsensitive) == 0) {
            return unit;
        }
    }
    return std::nullopt;
}

std::optional<sensor::TemperatureUnit> temperatureUnitNamed(const QString& name) {
    // The label without its degree sign: "c", "f".
    for (const auto unit :
         {sensor::TemperatureUnit::Celsius, sensor::TemperatureUnit::Fahrenheit}) {
        if (name.compare(sensor::unitLabel(unit).mid(1), Qt::CaseInsensitive) == 0) {
            return unit;
        }
    }
    return std::nullopt;
}

// Reads the file's object; the first problem met is the one reported.
class Parser {
public:
    QString error;

    bool fail(const QString& path, const QString& reason) {
        if (error.isEmpty()) {
            error = path.isEmpty() ? reason : path + QStringLiteral(": ") + reason;
        }
        return false;
    }

    bool onlyKeys(const QJsonObject& object, const QString& path,
                  std::initializer_list<const char*> keys) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = it.key();
            if (std::none_of(keys.begin(), keys.end(),
                             [&key](const char* known) { return key == QLatin1String(known); })) {
                return fail(joined(path, key), QStringLiteral("unknown key"));
            }
        }
        return true;
    }

    bool object(const QJsonValue& value, const QString& path, QJsonObject& out) {
        if (!value.isObject()) {
            return fail(path, QStringLiteral("not an object"));
        }
        out = value.toObject();
        return true;
    }

    bool bound(const QJsonObject& object, const QString& path, const char* key,
               std::optional<double>& out) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined()) {
            return true;
        }
        if (!value.isDouble()) {
            return fail(joined(path, QLatin1String(key)), QStringLiteral("not a number"));
        }
        out = value.toDouble();
        return true;
    }

    template <typename Unit>
    bool range(const QJsonValue& value, const QString& path,
               std::optional<Unit> (*unitNamed)(const QString&), std::optional<Range<Unit>>& out) {
        QJsonObject o;
        if (!object(value, path, o) || !onlyKeys(o, path, {"min", "max", "unit"})) {
            return false;
        }
        Range<Unit> range;
        const QJsonValue unit = o.value(QLatin1String("unit"));
        const QString unitPath = joined(path, QStringLiteral("unit"));
        if (unit.isUndefined()) {
            return fail(unitPath, QStringLiteral("missing"));
        }
        if (!unit.isString()) {
            return fail(unitPath, QStringLiteral("not a text"));
        }
        const auto named = unitNamed(unit.toString());
        if (!named) {
            return fail(unitPath, QStringLiteral("unknown unit \"%1\"").arg(unit.toString()));
        }
        range.unit = *named;
        if (!bound(o, path, "min", range.min) || !bound(o, path, "max", range.max)) {
            return false;
        }
        if (!range.min && !range.max) {
            return fail(path, QStringLiteral("no min or max"));
        }
        if (range.min && range.max && *range.min > *range.max) {
            return fail(joined(path, QStringLiteral("min")), QStringLiteral("above max"));
        }
        out = range;
        return true;
    }

    bool battery(const QJsonValue& value, const QString& path,
                 std::optional<sensor::BatteryClass>& out) {
        QJsonObject o;
        if (!object(value, path, o) || !onlyKeys(o, path, {"min"})) {
            return false;
        }
        const QJsonValue min = o.value(QLatin1String("min"));
        const QString minPath = joined(path, QStringLiteral("min"));
        if (min.isUndefined()) {
            return fail(minPath, QStringLiteral("missing"));
        }
        for (const auto battery :
             {sensor::BatteryClass::Low, sensor::BatteryClass::Mid, sensor::BatteryClass::High}) {
            if (min.toString() == sensor::batteryName(battery)) {
                out = battery;
                return true;
            }
        }
        return fail(minPath, min.isString()
                                 ? QStringLiteral("unknown class \"%1\"").arg(min.toString())
                                 : QStringLiteral("not a text"));
    }

    bool status(const QJsonValue& value, const QString& path,
                std::optional<QList<std::uint8_t>>& out) {
        if (!value.isArray()) {
            return fail(path, QStringLiteral("not a list"));
        }
        const QJsonArray names = value.toArray();
        if (names.isEmpty()) {
            return fail(path, QStringLiteral("empty list"));
        }
        QList<std::uint8_t> codes;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString name = names[i].toString();
            const QString at = path + QStringLiteral("[%1]").arg(i);
            if (!names[i].isString()) {
                return fail(at, QStringLiteral("not a text"));
            }
            const auto code = std::find_if(
                std::begin(StatusCodes), std::end(StatusCodes), [&name](std::uint8_t c) {
                    return name.compare(statusWord(c), Qt::CaseInsensitive) == 0;
                });
            if (code == std::end(StatusCodes)) {
                return fail(at, QStringLiteral("unknown status \"%1\"").arg(name));
            }
            if (!codes.contains(*code)) {
                codes << *code;
            }
        }
        out = codes;
        return true;
    }

    // The measures an object names replace those of limits; null takes one away.
    bool measures(const QJsonObject& o, const QString& path, SensorLimits& limits) {
        const auto read = [&](const char* key, auto& field, auto parse) {
            const QJsonValue value = o.value(QLatin1String(key));
            if (value.isNull()) {
                field.reset();
            } else if (!value.isUndefined()) {
                return parse(value, joined(path, QLatin1String(key)), field);
            }
            return true;
        };
        return read("pressure", limits.pressure,
                    [this](const QJsonValue& v, const QString& p, auto& f) {
                        return range(v, p, pressureUnitNamed, f);
                    }) &&
               read("temperature", limits.temperature,
                    [this](const QJsonValue& v, const QString& p, auto& f) {
                        return range(v, p, temperatureUnitNamed, f);
                    }) &&
               read("battery", limits.battery,
                    [this](const QJsonValue& v, const QString& p, auto& f) {
                        return battery(v, p, f);
                    }) &&
               read("status", limits.status,
                    [this](const QJsonValue& v, const QString& p, auto& f) {
                        return status(v, p, f);
                    });
    }

    // Each sensor named starts from the product-wide limits already in limits.
    bool sensors(const QJsonValue& value, Limits& limits) {
        const QString path = QStringLiteral("sensors");
        QJsonObject o;
        if (value.isUndefined()) {
            return true;
        }
        if (!object(value, path, o)) {
            return false;
        }
        for (auto it = o.begin(); it != o.end(); ++it) {
            const QString at = joined(path, it.key());
            bool isNumber = false;
            const int sensor = it.key().toInt(&isNumber);
            if (!isNumber || it.key() != QString::number(sensor) || sensor < 1 ||
                sensor > protocol::SensorCount) {
                return fail(at, QStringLiteral("sensor outside 1-%1").arg(protocol::SensorCount));
            }
            QJsonObject own;
            SensorLimits& held = limits.sensors[static_cast<std::size_t>(sensor - 1)];
            if (!object(it.value(), at, own) ||
                !onlyKeys(own, at, {"pressure", "temperature", "battery", "status", "optional"}) ||
                !measures(own, at, held)) {
                return false;
            }
            const QJsonValue optional = own.value(QLatin1String("optional"));
            if (!optional.isUndefined() && !optional.isBool()) {
                return fail(joined(at, QStringLiteral("optional")),
                            QStringLiteral("not true or false"));
            }
            held.optional = optional.toBool();
        }
        return true;
    }

    static constexpr std::uint8_t StatusCodes[] = {0, 1, 2, 3};
};

bool judgesAnything(const SensorLimits& s) {
    return s.pressure || s.temperature || s.battery || s.status;
}

} // namespace

QString statusWord(std::uint8_t status) {
    return sensor::statusName(status).toLower();
}

ParsedLimits parseLimits(const QByteArray& json, const QString& fallbackName) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {std::nullopt, QStringLiteral("not JSON: %1 at offset %2")
                                  .arg(parseError.errorString())
                                  .arg(parseError.offset)};
    }
    if (!document.isObject()) {
        return {std::nullopt, QStringLiteral("not a JSON object")};
    }
    const QJsonObject o = document.object();
    Parser parser;
    Limits limits;
    limits.source = o;
    limits.name = fallbackName;
    SensorLimits productWide;
    const QJsonValue name = o.value(QLatin1String("name"));
    if (!parser.onlyKeys(o, {},
                         {"name", "pressure", "temperature", "battery", "status", "sensors"}) ||
        !parser.measures(o, {}, productWide)) {
        return {std::nullopt, parser.error};
    }
    if (!name.isUndefined()) {
        if (!name.isString()) {
            return {std::nullopt, QStringLiteral("name: not a text")};
        }
        if (name.toString().trimmed().isEmpty()) {
            return {std::nullopt, QStringLiteral("name: empty")};
        }
        limits.name = name.toString();
    }
    limits.sensors.fill(productWide);
    if (!parser.sensors(o.value(QLatin1String("sensors")), limits)) {
        return {std::nullopt, parser.error};
    }
    if (std::none_of(limits.sensors.begin(), limits.sensors.end(), judgesAnything)) {
        return {std::nullopt, QStringLiteral("no limits: no pressure, temperature, battery or "
                                             "status is named")};
    }
    return {limits, {}};
}

ReadLimits readLimitsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, QStringLiteral("cannot read it: %1").arg(file.errorString())};
    }
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        return {std::nullopt, QStringLiteral("cannot read it: %1").arg(file.errorString())};
    }
    if (bytes.size() > MaxFileSize) {
        return {std::nullopt, QStringLiteral("larger than 1 MiB")};
    }
    ParsedLimits parsed = parseLimits(bytes, QFileInfo(path).completeBaseName());
    if (!parsed.limits) {
        return {std::nullopt, parsed.error};
    }
    return {LimitsFile{*parsed.limits,
                       QString::fromLatin1(
                           QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())},
            {}};
}

} // namespace verdict
