// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>

// Fixed-decimal numbers as the panels show them.
namespace sensor {

// The three patterns the panels use; each writes at least one digit before the separator.
enum class NumberPattern {
    Integer,     // "##0"
    TwoDecimals, // "0.00"
    OneDecimal,  // "#0.0"
};

// A value rounded as a pattern shows it. The value is first taken to 15 significant decimal
// digits and that decimal form is rounded half away from zero, so -13.049999999999999 counts
// as -13.05 and shows as "-13.1". The panels take its text, machine formats its value.
class ShownNumber {
public:
    ShownNumber(double value, NumberPattern pattern);

    // A hyphen-minus marks a negative number (never a zero), the decimal separator is that
    // of QLocale(), and no thousands separator is ever written.
    QString text() const;
    // The same with a given decimal separator, which may be any text; an empty one stands
    // for ".".
    QString text(const QString& decimalSeparator) const;
    // The double nearest to the number shown, so 0.025 in two decimals gives 0.03; a number
    // shown as zero is a positive zero.
    double value() const;

private:
    double value_; // as given; only a value that is not finite is shown from it
    bool negative_ = false;
    std::string digits_; // the magnitude times 10^decimals_, at least decimals_ + 1 digits
    int decimals_ = 0;
};

inline QString formatNumber(double value, NumberPattern pattern) {
    return ShownNumber(value, pattern).text();
}
inline QString formatNumber(double value, NumberPattern pattern, const QString& decimalSeparator) {
    return ShownNumber(value, pattern).text(decimalSeparator);
}

} // namespace sensor
