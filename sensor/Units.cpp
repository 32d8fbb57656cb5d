// SPDX-License-Identifier: MIT
#include "sensor/Units.h"

#include "protocol/ReceiverProtocol.h"

#include <QLocale>

namespace sensor {

namespace {

// Exactly 0.145 PSI per kPa, applied to the kPa value.
constexpr double PsiPerKpa = 0.145;

// "???" for no number; the unit after a space. A known unit is the caller's to check.
QString withUnit(const std::optional<ShownNumber>& number, const QString& decimalSeparator,
                 const QString& label) {
    return (number ? number->text(decimalSeparator) : QStringLiteral("???")) + QLatin1Char(' ') +
           label;
}

// The caption before a value, or nothing when there is no value to show.
QString captioned(const char* caption, const QString& value) {
    return value.isEmpty() ? QString() : QLatin1String(caption) + value;
}

} // namespace

std::optional<PressureUnit> pressureUnitNamed(const QString& name) {
    if (name == QLatin1String("kpa"))
        return PressureUnit::KPa;
    if (name == QLatin1String("bar"))
        return PressureUnit::Bar;
    if (name == QLatin1String("psi"))
        return PressureUnit::PSI;
    return std::nullopt;
}

std::optional<TemperatureUnit> temperatureUnitNamed(const QString& name) {
    if (name == QLatin1String("c"))
        return TemperatureUnit::Celsius;
    if (name == QLatin1String("f"))
        return TemperatureUnit::Fahrenheit;
    return std::nullopt;
}

std::optional<PressureUnit> pressureUnitAt(int k) {
    if (k < static_cast<int>(PressureUnit::KPa) || k > static_cast<int>(PressureUnit::PSI))
        return std::nullopt;
    return static_cast<PressureUnit>(k);
}

std::optional<TemperatureUnit> temperatureUnitAt(int k) {
    if (k < static_cast<int>(TemperatureUnit::Celsius) ||
        k > static_cast<int>(TemperatureUnit::Fahrenheit))
        return std::nullopt;
    return static_cast<TemperatureUnit>(k);
}

QString unitLabel(PressureUnit unit) {
    switch (unit) {
    case PressureUnit::Bar:
        return QStringLiteral("Bar");
    case PressureUnit::PSI:
        return QStringLiteral("PSI");
    case PressureUnit::KPa:
        break;
    }
    return QStringLiteral("KPa");
}

QString unitLabel(TemperatureUnit unit) {
    return unit == TemperatureUnit::Fahrenheit ? QStringLiteral("\u00B0F")
                                               : QStringLiteral("\u00B0C");
}

std::optional<ShownNumber> pressureIn(std::uint8_t p, PressureUnit unit) {
    if (p == protocol::NoData)
        return std::nullopt;
    const double kpa = p * 2.5 - 100;
    switch (unit) {
    case PressureUnit::Bar:
        return ShownNumber(kpa / 100, NumberPattern::TwoDecimals);
    case PressureUnit::PSI:
        return ShownNumber(kpa * PsiPerKpa, NumberPattern::OneDecimal);
    case PressureUnit::KPa:
        break;
    }
    return ShownNumber(kpa, NumberPattern::Integer);
}

std::optional<ShownNumber> temperatureIn(std::uint8_t t, TemperatureUnit unit) {
    if (t == protocol::NoData)
        return std::nullopt;
    const int celsius = t - 40;
    // The product stays an integer; only the division is done in double, which is why
    // byte 22 arrives as -0.3999999999999986 rather than -0.4.
    const double value = unit == TemperatureUnit::Fahrenheit
                             ? static_cast<double>(celsius * 9) / 5 + 32
                             : static_cast<double>(celsius);
    return ShownNumber(value, NumberPattern::Integer);
}

double convertPressure(double value, PressureUnit from, PressureUnit to) {
    const auto perKpa = [](PressureUnit unit) {
        switch (unit) {
        case PressureUnit::Bar:
            return 0.01;
        case PressureUnit::PSI:
            return PsiPerKpa;
        case PressureUnit::KPa:
            break;
        }
        return 1.0;
    };
    return from == to ? value : value / perKpa(from) * perKpa(to);
}

double convertTemperature(double value, TemperatureUnit from, TemperatureUnit to) {
    if (from == to) {
        return value;
    }
    return to == TemperatureUnit::Fahrenheit ? value * 9 / 5 + 32 : (value - 32) * 5 / 9;
}

void UnitState::SelectPressureUnit(int k) {
    pressureUnitIndex_ = k;
    if (const auto unit = pressureUnitAt(k))
        pressureUnitLabel_ = unitLabel(*unit);
}

void UnitState::SelectTemperatureUnit(int k) {
    temperatureUnitIndex_ = k;
    if (const auto unit = temperatureUnitAt(k))
        temperatureUnitLabel_ = unitLabel(*unit);
}

std::optional<ShownNumber> UnitState::pressure(std::uint8_t p) const {
    const auto unit = pressureUnitAt(pressureUnitIndex_);
    return unit ? pressureIn(p, *unit) : std::nullopt;
}

std::optional<ShownNumber> UnitState::temperature(std::uint8_t t) const {
    const auto unit = temperatureUnitAt(temperatureUnitIndex_);
    return unit ? temperatureIn(t, *unit) : std::nullopt;
}

QString UnitState::pressureText(std::uint8_t p, const QString& decimalSeparator) const {
    // No data reads "???" in whatever unit the label names.
    if (p != protocol::NoData && !pressureUnitAt(pressureUnitIndex_))
        return {};
    return withUnit(pressure(p), decimalSeparator, pressureUnitLabel_);
}

QString UnitState::temperatureText(std::uint8_t t) const {
    if (t != protocol::NoData && !temperatureUnitAt(temperatureUnitIndex_))
        return {};
    return withUnit(temperature(t), QLocale().decimalPoint(), temperatureUnitLabel_);
}

QString UnitState::FormatPressure(std::uint8_t p) const {
    return FormatPressure(p, QLocale().decimalPoint());
}

QString UnitState::FormatPressure(std::uint8_t p, const QString& decimalSeparator) const {
    return captioned("Pressure: ", pressureText(p, decimalSeparator));
}

QString UnitState::FormatTemperature(std::uint8_t t) const {
    return captioned("Temperature: ", temperatureText(t));
}

QString ByteToHex(std::uint8_t b) {
    return QStringLiteral("%1").arg(static_cast<unsigned>(b), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace sensor
