// SPDX-License-Identifier: MIT
#include "sensor/Units.h"

#include "sensor/NumberFormat.h"
#include "sensor/SensorRecord.h"

#include <QLocale>

namespace sensor {

namespace {

// Exactly 0.145 PSI per kPa, applied to the kPa value.
constexpr double PsiPerKpa = 0.145;

double kpaFromByte(std::uint8_t p) {
    return p * 2.5 - 100;
}

} // namespace

void UnitState::SelectPressureUnit(int k) {
    pressureUnitIndex_ = k;
    switch (k) {
    case KPa:
        pressureUnitLabel_ = QStringLiteral("KPa");
        break;
    case Bar:
        pressureUnitLabel_ = QStringLiteral("Bar");
        break;
    case PSI:
        pressureUnitLabel_ = QStringLiteral("PSI");
        break;
    default:
        break;
    }
}

void UnitState::SelectTemperatureUnit(int k) {
    temperatureUnitIndex_ = k;
    switch (k) {
    case Celsius:
        temperatureUnitLabel_ = QStringLiteral("\u00B0C");
        break;
    case Fahrenheit:
        temperatureUnitLabel_ = QStringLiteral("\u00B0F");
        break;
    default:
        break;
    }
}

QString UnitState::FormatPressure(std::uint8_t p) const {
    return FormatPressure(p, QLocale().decimalPoint());
}

QString UnitState::FormatPressure(std::uint8_t p, const QString& decimalSeparator) const {
    if (p == NoData)
        return QStringLiteral("Pressure: ??? ") + pressureUnitLabel_;

    const double kpa = kpaFromByte(p);
    QString number;
    switch (pressureUnitIndex_) {
    case KPa:
        number = formatNumber(kpa, NumberPattern::Integer, decimalSeparator);
        break;
    case Bar:
        number = formatNumber(kpa / 100, NumberPattern::TwoDecimals, decimalSeparator);
        break;
    case PSI:
        number = formatNumber(kpa * PsiPerKpa, NumberPattern::OneDecimal, decimalSeparator);
        break;
    default:
        return {};
    }
    return QStringLiteral("Pressure: ") + number + QLatin1Char(' ') + pressureUnitLabel_;
}

QString UnitState::FormatTemperature(std::uint8_t t) const {
    if (t == NoData)
        return QStringLiteral("Temperature: ??? ") + temperatureUnitLabel_;

    const int celsius = t - 40;
    double value = 0;
    switch (temperatureUnitIndex_) {
    case Celsius:
        value = celsius;
        break;
    case Fahrenheit:
        // The product stays an integer; only the division is done in double, which is why
        // byte 22 arrives as -0.3999999999999986 rather than -0.4.
        value = static_cast<double>(celsius * 9) / 5 + 32;
        break;
    default:
        return {};
    }
    return QStringLiteral("Temperature: ") + formatNumber(value, NumberPattern::Integer) +
           QLatin1Char(' ') + temperatureUnitLabel_;
}

QString ByteToHex(std::uint8_t b) {
    return QStringLiteral("%1").arg(static_cast<unsigned>(b), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace sensor
