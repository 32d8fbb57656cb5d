// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Fixed-decimal number texts for the panel labels.
namespace sensor {

// The three patterns the panels use; each writes at least one digit before the separator.
enum class NumberPattern {
    Integer,     // "##0"
    TwoDecimals, // "0.00"
    OneDecimal,  // "#0.0"
};

// Writes value with the pattern's number of decimals. The value is first taken to 15
// significant decimal digits and that decimal form is rounded half away from zero, so
// -13.049999999999999 counts as -13.05 and gives "-13.1". A hyphen-minus marks a negative
// result (never a zero), the decimal separator is that of QLocale(), and no thousands
// separator is ever written.
QString formatNumber(double value, NumberPattern pattern);
// The same with a given decimal separator, which may be any text; an empty one stands for ".".
QString formatNumber(double value, NumberPattern pattern, const QString& decimalSeparator);

} // namespace sensor
