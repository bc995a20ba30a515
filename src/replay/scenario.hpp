// The scenario language: one step per line, a time in milliseconds (absolute, or +N after the
// previous step), a command and its arguments. Both players (virtual time and the live
// program) read it the same way.
#pragma once

#include "core/clock.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orbek::replay {

struct Step {
    int lineNumber = 0;
    int64_t time = 0;
    std::string command;
    std::string argument; // the rest of the line
};

struct Scenario {
    std::vector<Step> steps;
    std::vector<std::string> errors; // "line N: why"
};

Scenario parse(const std::string& text);

// "\r", "\n", "\t", "\\" and "\xNN" in scenario texts.
std::string unescape(const std::string& text);
// A text printed so that one printed line is one station line: controls shown escaped.
std::string printable(const std::string& text);
// A text as a step's argument (`bytes`, `type`): printable, with blanks at its end escaped too,
// since the end of a scenario line is trimmed.
std::string stepText(const std::string& text);
// The application folder in a printed text as "BASE" and the user folder as "USER" (also where
// their backslashes are escaped).
std::string withBase(const std::string& text, const std::string& base,
                     const std::string& user = {});
// The orders in bytes written to the controller, one "TX 000 243 001" line per three bytes.
std::vector<std::string> orderLines(const std::vector<uint8_t>& bytes);
std::string trim(const std::string& text);

// "YYYY-MM-DD HH:MM:SS", optionally with ".mmm" milliseconds; false when it is no such date
// and time.
bool parseDateTime(const std::string& text, DateTime& out, int* millisecond = nullptr);
// The form parseDateTime reads, with milliseconds.
std::string formatDateTime(const DateTime& time, int millisecond);

// The wall clock the station reads in a scenario: set by `clock`, then running on with the
// scenario's time (1 January 2000, 00:00:00 at time 0 until a `clock` step says otherwise).
class ScenarioClock : public WallClock {
  public:
    explicit ScenarioClock(std::function<int64_t()> now) : now_(std::move(now)) {}
    void set(const DateTime& time, int millisecond = 0) {
        base_ = time;
        baseMs_ = millisecond;
        setAt_ = now_();
    }
    DateTime now() const override;

  private:
    std::function<int64_t()> now_;
    DateTime base_{};
    int baseMs_ = 0;
    int64_t setAt_ = 0;
};

} // namespace orbek::replay
