// SPDX-License-Identifier: MIT
#include "sensor/NumberFormat.h"

#include <QLocale>
#include <algorithm>
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

// A value as sign, 15 significant digits and the power of ten of the first digit.
struct DecimalForm {
    bool negative = false;
    std::string mantissa;
    int exponent = 0;
};

// All rounding works from this form, so that binary noise below the 15th digit never tips
// a half. to_chars writes "-d.dddddddddddddde+XX" the same way under every C locale, unlike
// the printf family.
DecimalForm decimalForm(double value) {
    char buffer[40];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::scientific, SignificantDigits - 1);
    DecimalForm form;
    const char* cursor = buffer;
    if (*cursor == '-') {
        form.negative = true;
        ++cursor;
    }
    form.mantissa.reserve(SignificantDigits);
    for (; *cursor != 'e'; ++cursor) {
        if (*cursor != '.')
            form.mantissa.push_back(*cursor);
    }
    ++cursor;
    if (*cursor == '+')
        ++cursor;
    std::from_chars(cursor, written.ptr, form.exponent);
    return form;
}

// The magnitude rounded half away from zero to `decimals` places, as digits without a
// separator and without leading zeros beyond the one before the separator.
std::string roundedDigits(const DecimalForm& form, int decimals) {
    // Digits down to the 10^-decimals place are kept; the first dropped digit decides the
    // rounding. The kept digits read as the value times 10^decimals.
    const int keep = form.exponent + decimals + 1;
    std::string scaled;
    if (keep >= SignificantDigits) {
        scaled =
            form.mantissa + std::string(static_cast<std::size_t>(keep - SignificantDigits), '0');
    } else if (keep >= 0) {
        scaled = form.mantissa.substr(0, static_cast<std::size_t>(keep));
        if (form.mantissa[static_cast<std::size_t>(keep)] >= '5')
            incrementDigits(scaled);
    }
    scaled.erase(0, std::min(scaled.find_first_not_of('0'), scaled.size()));
    const auto minimum = static_cast<std::size_t>(decimals) + 1;
    if (scaled.size() < minimum)
        scaled.insert(0, minimum - scaled.size(), '0');
    return scaled;
}

} // namespace

ShownNumber::ShownNumber(double value, NumberPattern pattern)
    : value_(value), decimals_(decimalsOf(pattern)) {
    if (!std::isfinite(value))
        return;
    const DecimalForm form = decimalForm(value);
    digits_ = roundedDigits(form, decimals_);
    // A value that rounds to zero is shown as zero whichever side it came from.
    negative_ = form.negative && digits_.find_first_not_of('0') != std::string::npos;
}

QString ShownNumber::text() const {
    return text(QLocale().decimalPoint());
}

QString ShownNumber::text(const QString& decimalSeparator) const {
    if (!std::isfinite(value_))
        return QLocale().toString(value_);

    QString text;
    if (negative_)
        text += QLatin1Char('-');
    const auto integerDigits = digits_.size() - static_cast<std::size_t>(decimals_);
    text += QLatin1StringView(digits_.data(), static_cast<qsizetype>(integerDigits));
    if (decimals_ > 0) {
        // A locale without a separator of its own still gets one, so that the
        // decimals never run into the integer part.
        text += decimalSeparator.isEmpty() ? QStringLiteral(".") : decimalSeparator;
        text += QLatin1StringView(digits_.data() + integerDigits, decimals_);
    }
    return text;
}

double ShownNumber::value() const {
    if (!std::isfinite(value_))
        return value_;
    // The digits scaled back by a power of ten, correctly rounded by from_chars.
    const std::string scientific =
        (negative_ ? "-" : "") + digits_ + "e-" + std::to_string(decimals_);
    double result = 0;
    std::from_chars(scientific.data(), scientific.data() + scientific.size(), result);
    return result;
}

} // namespace sensor
