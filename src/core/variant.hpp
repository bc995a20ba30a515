// A value that is empty, a number or a text, read as a number the lenient way.
#pragma once

#include <string>
#include <variant>

namespace orbek {

class Variant {
  public:
    Variant() = default;
    Variant(double number) : value_(number) {}
    Variant(int number) : value_(static_cast<double>(number)) {}
    Variant(std::string text) : value_(std::move(text)) {}
    Variant(const char* text) : value_(std::string(text)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool isNumber() const { return std::holds_alternative<double>(value_); }
    bool isText() const { return std::holds_alternative<std::string>(value_); }

    // Empty reads as 0, a text by its leading number.
    double toNumber() const;
    // Empty reads as "", a number in its plain form.
    std::string toText() const;

    bool operator==(const Variant&) const = default;

  private:
    std::variant<std::monostate, double, std::string> value_;
};

} // namespace orbek
