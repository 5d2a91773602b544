#pragma once
// Numbers as the program reads, rounds and writes them.

#include "common/Rounding.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace classdiv {

// The numeric value of a text as every box, score and identifier is read:
// blanks, tabs and line feeds anywhere are ignored; the longest beginning
// that forms a half-width number counts (sign, digits with at most one point,
// optional exponent E/D, or &H hexadecimal / &O octal); anything else is 0.
// Full-width digits are no number.
double textValue(const QString& text);

// Rounded half to even and stored in 16 or 32 bits; nullopt when the value
// does not fit (or is not finite).
std::optional<int16_t> toInt16(double value);
std::optional<int32_t> toInt32(double value);

// The value of a box read as a whole 16-bit number (column numbers, counts).
inline std::optional<int16_t> boxNumber(const QString& text) { return toInt16(textValue(text)); }

// Averages and their differences: floor(v * 10 + 0.5) / 10, computed in
// double from the single-precision value itself, stored as a single.
float roundOneDecimal(float value);

// A number as written into files: plain decimal, no blanks, a point as the
// decimal separator, no exponent, no trailing zeros, a 0 before the point for
// values between -1 and 1. significantDigits is 15 for values read from the
// student rows (double) and 7 for averages (single).
QString fileNumber(double value, int significantDigits);

// A number in the print form of the distribution table: one blank before a
// non-negative number (its minus sign otherwise), the shortest decimal form
// and one blank after it: " 12 ", " 62.3 ", "-1.5 ".
QString printNumber(double value, int significantDigits);

// Whole numbers as shown in boxes and labels: decimal without blanks.
inline QString plainInteger(long long value) { return QString::number(value); }

} // namespace classdiv
