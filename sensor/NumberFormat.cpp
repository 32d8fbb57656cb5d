#include "sensor/NumberFormat.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <string>

namespace sensor {

namespace {

constexpr int SignificantDigits = 15;

int decimalsOf(NumberPattern pattern) {
    switch (pattern) {
    case NumberPattern::TwoDecimals:
        return 2;
    case NumberPattern::OneDecimal:
        return 1;
    case NumberPattern::Integer:
        break;
    }
    return 0;
}

// Adds one to a string of decimal digits.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

QString formatNumber(double value, NumberPattern pattern) {
    return formatNumber(value, pattern, QLocale().decimalPoint());
}

QString formatNumber(double value, NumberPattern pattern, const QString& decimalSeparator) {
    if (!std::isfinite(value))
        return QLocale().toString(value);

    const int decimals = decimalsOf(pattern);

    // "-d.dddddddddddddde+XX": the value's 15-digit decimal form, from which all rounding
    // works, so that binary noise below the 15th digit never tips a half. to_chars writes
    // it the same way under every C locale, unlike the printf family.
    char buffer[40];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::scientific, SignificantDigits - 1);
    const char* cursor = buffer;
    bool negative = false;
    if (*cursor == '-') {
        negative = true;
        ++cursor;
    }
    std::string mantissa;
    mantissa.reserve(SignificantDigits);
    for (; *cursor != 'e'; ++cursor) {
        if (*cursor != '.')
            mantissa.push_back(*cursor);
    }
    ++cursor;
    if (*cursor == '+')
        ++cursor;
    int exponent = 0;
    std::from_chars(cursor, written.ptr, exponent);

    // Digits down to the 10^-decimals place are kept; the first dropped digit decides the
    // rounding. The kept digits read as the value times 10^decimals.
    const int keep = exponent + decimals + 1;
    std::string scaled;
    bool roundUp = false;
    if (keep >= SignificantDigits) {
        scaled = mantissa + std::string(static_cast<std::size_t>(keep - SignificantDigits), '0');
    } else if (keep >= 0) {
        scaled = mantissa.substr(0, static_cast<std::size_t>(keep));
        roundUp = mantissa[static_cast<std::size_t>(keep)] >= '5';
    }
    if (roundUp)
        incrementDigits(scaled);

    const auto firstNonZero = scaled.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        // A value that rounds to zero is shown as zero whichever side it came from.
        scaled = "0";
        negative = false;
    } else {
        scaled.erase(0, firstNonZero);
    }
    if (scaled.size() < static_cast<std::size_t>(decimals) + 1)
        scaled.insert(0, static_cast<std::size_t>(decimals) + 1 - scaled.size(), '0');

    QString text;
    if (negative)
        text += QLatin1Char('-');
    const auto integerDigits = scaled.size() - static_cast<std::size_t>(decimals);
    text += QLatin1StringView(scaled.data(), static_cast<qsizetype>(integerDigits));
    if (decimals > 0) {
        // A locale without a separator of its own still gets one, so that the
        // decimals never run into the integer part.
        text += decimalSeparator.isEmpty() ? QStringLiteral(".") : decimalSeparator;
        text += QLatin1StringView(scaled.data() + integerDigits, decimals);
    }
    return text;
}

} // namespace sensor
