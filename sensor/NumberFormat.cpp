#include "sensor/NumberFormat.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    if (!std::isfinite(value))
        return QLocale().toString(value);

    const int decimals = decimalsOf(pattern);

    // "-d.dddddddddddddde+XX": the value's 15-digit decimal form, from which all rounding
    // works, so that binary noise below the 15th digit never tips a half.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*e", SignificantDigits - 1, value);
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
    const int exponent = static_cast<int>(std::strtol(cursor + 1, nullptr, 10));

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
        text += QLocale().decimalPoint();
        text += QLatin1StringView(scaled.data() + integerDigits, decimals);
    }
    return text;
}

} // namespace sensor
