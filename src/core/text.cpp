#include "core/text.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orbek {

double leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string digits;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
    bool sawDigit = false;
    bool sawPoint = false;
    // Whole numbers of up to fifteen digits (most of what the station reads) are exact as
    // they are counted.
    int wholeDigits = 0;
    double whole = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            sawDigit = true;
            digits += c;
            if (!sawPoint) {
                ++wholeDigits;
                whole = whole * 10 + (c - '0');
            }
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
            digits += c;
        } else {
            break;
        }
    }
    if (!sawDigit) return 0.0;
    const bool exponentFollows = i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E');
    if (!sawPoint && !exponentFollows && wholeDigits <= 15) return negative ? -whole : whole;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        const std::size_t firstDigit = j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            exponent += text[j++];
        if (j > firstDigit) digits += exponent;
    }
    const double value = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

std::optional<double> strictNumber(std::string_view text) {
    std::string trimmed(text);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.pop_back();
    std::size_t start = 0;
    while (start < trimmed.size() && (trimmed[start] == ' ' || trimmed[start] == '\t'))
        ++start;
    trimmed.erase(0, start);
    if (trimmed.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value) ||
        trimmed.find_first_of("xXnN") != std::string::npos) // no hex, inf or nan
        return std::nullopt;
    return value;
}

int16_t toInt16(double value) {
    if (!std::isfinite(value)) return 0;
    const double rounded = std::nearbyint(value);
    if (rounded > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (rounded < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(rounded);
}

namespace {

// The print form of a number with at most `digits` significant digits: the shortest text that
// gives the number back at that precision, without an exponent from 0.00001 up to 10^digits;
// beyond that the runtime's exponent form ("1E+15", "1.5E-07").
std::string printForm(double value, int digits) {
    if (value == 0.0 || !std::isfinite(value)) return "0";
    // Whole numbers of at most `digits` digits (every reading) print as themselves.
    const double limit = digits == 15 ? 1e15 : digits == 7 ? 1e7 : std::pow(10.0, digits);
    if (std::fabs(value) < limit && value == std::trunc(value))
        return std::to_string(static_cast<long long>(value));
    char buffer[64];
    // The exponent after rounding to `digits` digits: 9.9999999 may round up to 10.
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
    const char* e = std::strchr(buffer, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    const auto trimZeros = [](std::string text) {
        if (text.find('.') == std::string::npos) return text;
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
        return text;
    };
    if (exponent >= -5 && exponent < digits) {
        std::snprintf(buffer, sizeof buffer, "%.*f", std::max(0, digits - 1 - exponent), value);
        return trimZeros(buffer);
    }
    const std::string mantissa =
        trimZeros(std::string(buffer, e ? static_cast<std::size_t>(e - buffer) : 0));
    std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return mantissa + buffer;
}

} // namespace

std::string plainNumber(double value) {
    return printForm(value, 15);
}

std::string plainSingle(float value) {
    return printForm(static_cast<double>(value), 7);
}

std::string signedNumber(double value) {
    const std::string text = plainNumber(value);
    return value >= 0.0 ? " " + text : text;
}

std::string fixedOneDecimal(double value) {
    // Halves round away from zero, as the display format always did (0.25 shows as 0.3).
    const double tenths = std::round(value * 10.0 + (value >= 0 ? 1e-9 : -1e-9));
    if (std::fabs(tenths) < 1e15) {
        // Exact in a double: the digits of the whole tenths, a point before the last.
        const long long whole = static_cast<long long>(tenths);
        const long long magnitude = whole < 0 ? -whole : whole;
        return (whole < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
               static_cast<char>('0' + magnitude % 10);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", tenths / 10.0);
    std::string text = buffer;
    if (text == "-0.0") text = "0.0";
    return text;
}

std::string toUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace orbek
