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

// Shortest decimal text of a number without a leading blank ("95", "186.8", "-3").
std::string plainNumber(double value);

// As plainNumber, with one blank before a value of zero or more (the print form of numbers).
std::string signedNumber(double value);

// One decimal, no padding: "12.0", "987.6", "-0.5".
std::string fixedOneDecimal(double value);

std::string toUpper(std::string_view text);

} // namespace orbek
