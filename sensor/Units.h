// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>

// The pressure and temperature units the operator has chosen, and the panel texts that
// depend on them.
namespace sensor {

class UnitState {
public:
    // Option indexes of the unit buttons, which are also the unit indexes.
    static constexpr int KPa = 0;
    static constexpr int Bar = 1;
    static constexpr int PSI = 2;
    static constexpr int Celsius = 0;
    static constexpr int Fahrenheit = 1;

    int PressureUnitIndex() const { return pressureUnitIndex_; }
    const QString& PressureUnitLabel() const { return pressureUnitLabel_; }
    int TemperatureUnitIndex() const { return temperatureUnitIndex_; }
    const QString& TemperatureUnitLabel() const { return temperatureUnitLabel_; }

    // What a click on pressure option k does to the state: the index always becomes k, the
    // label follows only for a known unit. An unknown index then formats as the empty text.
    void SelectPressureUnit(int k);
    void SelectTemperatureUnit(int k);

    // "Pressure: 200 KPa", or "Pressure: ??? KPa" for the no-data byte.
    QString FormatPressure(std::uint8_t p) const;
    // The same with a given decimal separator, for output that must not follow the locale.
    QString FormatPressure(std::uint8_t p, const QString& decimalSeparator) const;
    // "Temperature: 25 °C", or "Temperature: ??? °C" for the no-data byte.
    QString FormatTemperature(std::uint8_t t) const;

private:
    int pressureUnitIndex_ = KPa;
    QString pressureUnitLabel_ = QStringLiteral("KPa");
    int temperatureUnitIndex_ = Celsius;
    QString temperatureUnitLabel_ = QStringLiteral("\u00B0C");
};

// Two upper-case hexadecimal digits, "00" to "FF".
QString ByteToHex(std::uint8_t b);

} // namespace sensor
