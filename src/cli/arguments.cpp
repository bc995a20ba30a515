#include "cli/arguments.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <system_error>

namespace orbek::cli {

Arguments::Arguments(std::string program, int argc, char** argv)
    : program_(std::move(program)), argc_(argc), argv_(argv) {}

bool Arguments::next() {
    if (++at_ >= argc_) return false;
    name_ = argv_[at_];
    hasInline_ = false;
    inlineValue_.clear();
    if (name_.rfind("--", 0) == 0) {
        if (const auto eq = name_.find('='); eq != std::string::npos) {
            inlineValue_ = name_.substr(eq + 1);
            name_.resize(eq);
            hasInline_ = true;
        }
    }
    return true;
}

std::string Arguments::value() {
    if (hasInline_) return inlineValue_;
    if (at_ + 1 >= argc_) reject(name_ + " needs a value");
    return argv_[++at_];
}

void Arguments::reject(const std::string& message) const {
    std::cerr << program_ << ": " << message << '\n';
    std::exit(2);
}

void Arguments::unknown() const {
    if (isOption()) reject("unknown option '" + name_ + "' (" + program_ + " --help lists them)");
    reject("unexpected argument '" + name_ + "' (" + program_ + " --help lists the options)");
}

void Arguments::noValue() const {
    if (hasInline_) reject(name_ + " takes no value");
}

double Arguments::number(double low, double high, const std::string& what) {
    return read(low, high, what, false);
}

double Arguments::whole(double low, double high, const std::string& what) {
    return read(low, high, what, true);
}

double Arguments::read(double low, double high, const std::string& what, bool whole) {
    const std::string option = name_;
    const std::string text = value();
    double x = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(x) || x < low || x > high || (whole && x != std::floor(x)))
        reject(option + " takes " + what + ", not '" + text + "'");
    return x;
}

double Arguments::speed() {
    return number(std::nextafter(0.0, 1.0), 1000, "a factor above 0, at most 1000");
}

std::filesystem::path Arguments::existingFile() {
    const std::string option = name_;
    return existingFile(option, value());
}

std::filesystem::path Arguments::existingFile(const std::string& what,
                                              const std::string& text) const {
    const std::filesystem::path path = text;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (path.empty() || !std::filesystem::exists(status)) reject(what + ": no file " + text);
    if (std::filesystem::is_directory(status))
        reject(what + ": " + text + " is a folder, not a file");
    return path;
}

std::filesystem::path Arguments::folder() {
    const std::string option = name_;
    const std::filesystem::path path = value();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (path.empty()) reject(option + " needs a folder");
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status))
        reject(option + ": " + path.string() + " is a file, not a folder");
    return path;
}

} // namespace orbek::cli
