#include "core/variant.hpp"

#include "core/text.hpp"

namespace orbek {

double Variant::toNumber() const {
    if (const auto* number = std::get_if<double>(&value_)) return *number;
    if (const auto* text = std::get_if<std::string>(&value_)) return leadingNumber(*text);
    return 0.0;
}

std::string Variant::toText() const {
    if (const auto* number = std::get_if<double>(&value_)) return plainNumber(*number);
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    return {};
}

} // namespace orbek
