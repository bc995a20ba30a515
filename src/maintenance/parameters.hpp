// The parameter window: the controller's fifteen machine parameters (read and write), its
// DS1307 clock set from the PC, the station's detector coefficients in DataCoeff.ini, the
// temperature unit and the sample-holder alarm switch.
#pragma once

#include "core/clock.hpp"

#include <array>
#include <string>

namespace orbek {
class Station;
}

namespace orbek::maintenance {

inline constexpr int kParameterCount = 15;
inline constexpr int kClockRegisterCount = 8;

// The hint shown over a parameter row (empty for rows without one).
const std::string& parameterHint(int index);
// The factory value of a parameter, as "Default Settings" writes it.
int parameterDefault(int index);

// DS1307 registers 0..7 for a moment of the PC clock: BCD seconds, minutes, hours, day of week
// (always 0), BCD date, month and two-digit year, and the control byte (1 Hz square wave).
std::array<int, kClockRegisterCount> clockRegisters(const DateTime& t);

void Lecture_Click(Station& s);
void Validerwrite_Click(Station& s);
// A stop of the machine: a read ends, and a write ends as its own end does (the receive
// watchdog back, the progress hidden, the buttons by the run state).
void stopTransfers(Station& s);
void Setup_Click(Station& s);
// The reset buttons of the counters among the parameters: 4, 5, 10 and 11.
void ResetAdr_Click(Station& s, int index);
void Degres_Click(Station& s);
void Fharen_Click(Station& s);
void Check1_Click(Station& s);
// Closing the window: the coefficients saved when changed, the alarm watch re-armed.
void Form_Unload(Station& s);

void wireParametres(Station& s);

} // namespace orbek::maintenance
