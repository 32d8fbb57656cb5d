// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/NumberFormat.h"

#include <QString>
#include <cstdint>
#include <optional>

// Pressure and temperature as numbers in a unit, the units the operator has chosen, and the
// panel texts built from them.
namespace sensor {

// In the order of the window's option buttons.
enum class PressureUnit { KPa, Bar, PSI };
enum class TemperatureUnit { Celsius, Fahrenheit };

// The unit of option button k; nothing for an index no button has.
std::optional<PressureUnit> pressureUnitAt(int k);
std::optional<TemperatureUnit> temperatureUnitAt(int k);

// The units by the names scripts give them: "kpa", "bar", "psi"; "c", "f".
std::optional<PressureUnit> pressureUnitNamed(const QString& name);
std::optional<TemperatureUnit> temperatureUnitNamed(const QString& name);

// "KPa", "Bar", "PSI"; "°C", "°F".
QString unitLabel(PressureUnit unit);
QString unitLabel(TemperatureUnit unit);

// A record byte as the number the panels show in a unit; nothing for the no-data byte.
std::optional<ShownNumber> pressureIn(std::uint8_t p, PressureUnit unit);
std::optional<ShownNumber> temperatureIn(std::uint8_t t, TemperatureUnit unit);

// A value in one unit as a value in another, unrounded: for a limit drawn beside values.
double convertPressure(double value, PressureUnit from, PressureUnit to);
double convertTemperature(double value, TemperatureUnit from, TemperatureUnit to);

class UnitState {
public:
    int PressureUnitIndex() const { return pressureUnitIndex_; }
    const QString& PressureUnitLabel() const { return pressureUnitLabel_; }
    int TemperatureUnitIndex() const { return temperatureUnitIndex_; }
    const QString& TemperatureUnitLabel() const { return temperatureUnitLabel_; }

    // What a click on pressure option k does to the state: the index always becomes k, the
    // label follows only for a known unit. An unknown index then formats as the empty text.
    void SelectPressureUnit(int k);
    void SelectTemperatureUnit(int k);
    void select(PressureUnit unit) { SelectPressureUnit(static_cast<int>(unit)); }
    void select(TemperatureUnit unit) { SelectTemperatureUnit(static_cast<int>(unit)); }

    // The number in the chosen unit; nothing for the no-data byte or an unknown unit.
    std::optional<ShownNumber> pressure(std::uint8_t p) const;
    std::optional<ShownNumber> temperature(std::uint8_t t) const;

    // "200 KPa", "??? KPa" for the no-data byte; empty for an unknown unit.
    QString pressureText(std::uint8_t p, const QString& decimalSeparator) const;
    QString temperatureText(std::uint8_t t) const;

    // "Pressure: 200 KPa", or "Pressure: ??? KPa" for the no-data byte.
    QString FormatPressure(std::uint8_t p) const;
    // The same with a given decimal separator, for output that must not follow the locale.
    QString FormatPressure(std::uint8_t p, const QString& decimalSeparator) const;
    // "Temperature: 25 °C", or "Temperature: ??? °C" for the no-data byte.
    QString FormatTemperature(std::uint8_t t) const;

private:
    int pressureUnitIndex_ = static_cast<int>(PressureUnit::KPa);
    QString pressureUnitLabel_ = unitLabel(PressureUnit::KPa);
    int temperatureUnitIndex_ = static_cast<int>(TemperatureUnit::Celsius);
    QString temperatureUnitLabel_ = unitLabel(TemperatureUnit::Celsius);
};

// Two upper-case hexadecimal digits, "00" to "FF".
QString ByteToHex(std::uint8_t b);

} // namespace sensor
