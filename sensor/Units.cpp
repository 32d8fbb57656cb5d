#include "sensor/Units.h"

#include "sensor/NumberFormat.h"
#include "sensor/SensorRecord.h"

namespace sensor {

namespace {

// Exactly 0.145 PSI per kPa, applied to the kPa value.
constexpr double PsiPerKpa = 0.145;

double kpaFromByte(std::uint8_t p) {
    return p * 2.5 - 100;
}

} // namespace

void UnitState::SelectPressureUnit(int k) {
    m_pressureUnitIndex = k;
    switch (k) {
    case KPa:
        m_pressureUnitLabel = QStringLiteral("KPa");
        break;
    case Bar:
        m_pressureUnitLabel = QStringLiteral("Bar");
        break;
    case PSI:
        m_pressureUnitLabel = QStringLiteral("PSI");
        break;
    default:
        break;
    }
}

void UnitState::SelectTemperatureUnit(int k) {
    m_temperatureUnitIndex = k;
    switch (k) {
    case Celsius:
        m_temperatureUnitLabel = QStringLiteral("\u00B0C");
        break;
    case Fahrenheit:
        m_temperatureUnitLabel = QStringLiteral("\u00B0F");
        break;
    default:
        break;
    }
}

QString UnitState::FormatPressure(std::uint8_t p) const {
    if (p == NoData)
        return QStringLiteral("Pressure: ??? ") + m_pressureUnitLabel;

    const double kpa = kpaFromByte(p);
    QString number;
    switch (m_pressureUnitIndex) {
    case KPa:
        number = formatNumber(kpa, NumberPattern::Integer);
        break;
    case Bar:
        number = formatNumber(kpa / 100, NumberPattern::TwoDecimals);
        break;
    case PSI:
        number = formatNumber(kpa * PsiPerKpa, NumberPattern::OneDecimal);
        break;
    default:
        return {};
    }
    return QStringLiteral("Pressure: ") + number + QLatin1Char(' ') + m_pressureUnitLabel;
}

QString UnitState::FormatTemperature(std::uint8_t t) const {
    if (t == NoData)
        return QStringLiteral("Temperature: ??? ") + m_temperatureUnitLabel;

    const int celsius = t - 40;
    double value = 0;
    switch (m_temperatureUnitIndex) {
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
           QLatin1Char(' ') + m_temperatureUnitLabel;
}

QString ByteToHex(std::uint8_t b) {
    return QStringLiteral("%1").arg(static_cast<unsigned>(b), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace sensor
