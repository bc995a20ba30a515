// The log file writer: one row of readings appended every chosen interval while data logging
// runs (`Timer15` of the main window), the status cell that shows each write (`Timer16` resets
// it and marks the plot), and "Data Logger OFF".
#pragma once

#include "core/clock.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orbek {
class Station;
struct StationState;
} // namespace orbek

namespace orbek::logging {

// The eight possible log columns, in their fixed order.
inline constexpr int kColumns = 8;

// "," for separator choice 0, ";" for any other.
char separator(const StationState& st);

// Month/day/four-digit year without leading zeros: 4 December 2026 is "12/4/2026".
std::string logDate(const DateTime& t);
// Two-digit hours and minutes with AM or PM: 14:05 is "02:05 PM", 12:00 is "12:00 AM", 12:01
// is "12:01 PM", 00:30 is "00:30 AM".
std::string logTime(const DateTime& t);

// The lines of the header block, in order: an empty line, the column names, their units and a
// line holding two quotation marks.
std::vector<std::string> headerBlock(const StationState& st);

// The row of the current readings numbered `LogRowCounter`: raw values for file types 0 and 1,
// the panel's texts for 2 and 3; none for any other type. Raw rows copy the selected readings
// into `LoggedReadings` first.
std::optional<std::string> logRow(Station& s);

// The writer's minute tick, the status reset, and the menu entry that stops logging.
void Timer15_Tick(Station& s);
void Timer16_Tick(Station& s);
void mnuDataloggerOFF_Click(Station& s);

// Connects the writer's timers and the "Data Logger OFF" entry to the main window.
void wireWriter(Station& s);

} // namespace orbek::logging
