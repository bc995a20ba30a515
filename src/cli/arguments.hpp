// The command lines of the three programs, read before anything needs a screen: options as
// "--name VALUE" or "--name=VALUE", and every rejection one line on standard error with exit
// status 2.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbek::cli {

class Arguments {
  public:
    Arguments(std::string program, int argc, char** argv);

    // Moves to the next argument; false after the last.
    bool next();
    // The argument at hand without its "=VALUE" part.
    const std::string& name() const { return name_; }
    bool is(std::string_view option) const { return name_ == option; }
    bool isOption() const { return name_.size() > 1 && name_.front() == '-'; }
    // The value of the option at hand: after its '=', else the next argument.
    std::string value();

    // "PROGRAM: MESSAGE" on standard error, exit status 2.
    [[noreturn]] void reject(const std::string& message) const;
    // The option at hand is not one of the program's.
    [[noreturn]] void unknown() const;
    // An option that has no value is given one ("--simulate=1").
    void noValue() const;

    // A speed factor: a finite number above 0, at most 1000.
    double speed();
    // A whole or decimal number, finite, in [low, high]; `what` says what the option takes.
    double number(double low, double high, const std::string& what);
    // A whole number in [low, high].
    double whole(double low, double high, const std::string& what);
    // A file to read, the option's value or the argument at hand: it must exist and not be a
    // folder.
    std::filesystem::path existingFile();
    std::filesystem::path existingFile(const std::string& what, const std::string& text) const;
    // A folder the program may create: anything but a file of that name.
    std::filesystem::path folder();

    const std::string& program() const { return program_; }

  private:
    double read(double low, double high, const std::string& what, bool whole);

    std::string program_;
    int argc_;
    char** argv_;
    int at_ = 0;
    std::string name_;
    std::string inlineValue_;
    bool hasInline_ = false;
};

// The version the programs report.
inline constexpr const char* kVersion = ORBEK_VERSION;

} // namespace orbek::cli
