// The scenario text of timed faults. One fault per line: the time in seconds from the start of
// the simulation, the fault's name and its arguments, separated by blanks. "#" starts a
// comment; blank lines are skipped.
//
//   0     no-board
//   12.5  silence 25        the controller says nothing for 25 s
//   30    noise 7           seven random bytes on the line
//   31    drop              the next frame loses a character
//   32    add               the next frame gets a character too many
//   33    marker X          the next frame carries "X" in place of "S"
//   0     noack 237 60      power orders get no answer for 60 s (no duration: for good)
//   40    magnetron-hot     also magnetron-ok, holder-hot, holder-ok
//   50    low-supply        also supply-ok, board
//   0     slow 1500         orders are answered 1.5 s late (slow 0 ends it)
#pragma once

#include "sim/options.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbek::sim {

// One line without its time ("silence 25"); on a mistake `error` says what is wrong.
std::optional<Fault> parseFault(std::string_view text, std::string* error);

// One scenario line with its time; an empty or comment line gives no fault and no error.
std::optional<Fault> parseScenarioLine(std::string_view line, std::string* error);

// A whole scenario; on the first bad line returns false with "line N: ..." in `error`.
bool parseScenario(const std::vector<std::string>& lines, std::vector<Fault>& faults,
                   std::string* error);

// Reads and parses a scenario file; `error` names the file and the line.
bool loadScenario(const std::filesystem::path& file, std::vector<Fault>& faults,
                  std::string* error);

std::string faultName(FaultKind kind);

} // namespace orbek::sim
