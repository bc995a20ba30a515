// Text helpers shared by the frame codec and the configuration files: the lenient numeric
// reading the station has always used, and the number-to-text forms of its displays.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbek {

// Leading number of a text: blanks skipped, optional sign, digits with an optional decimal
// point and exponent; parsing stops at the first character that cannot continue the number.
// No number at all reads as 0.
double leadingNumber(std::string_view text);

// The number a whole text stands for (blanks around it allowed), none when it is not one.
std::optional<double> strictNumber(std::string_view text);

// Nearest integer with halves going to the even neighbour, clamped to the 16-bit range.
int16_t toInt16(double value);

// The print form of a double without a leading blank: up to 15 significant digits, the
// shortest text that reads back as the same number at that precision ("95", "186.8", "-3",
// "0.123456789"), no exponent for ordinary magnitudes.
std::string plainNumber(double value);

// The same for a single-precision value: up to 7 significant digits (98.6, not 98.5999984...).
std::string plainSingle(float value);

// As plainNumber, with one blank before a value of zero or more (the print form of numbers).
std::string signedNumber(double value);

// One decimal, no padding: "12.0", "987.6", "-0.5".
std::string fixedOneDecimal(double value);

std::string toUpper(std::string_view text);

} // namespace orbek
