// The main window's own handlers: the event list and its view switch, the list-size check,
// the temperature scale labels, the "Software Address " box, the windows its menus open, and
// the error code window.
#pragma once

#include <cstddef>

namespace orbek {
class Station;
}

namespace orbek::app {

// Connects the handlers and timers of the shell to the window models.
void wireShell(Station& s);

// "Log" shows the event list in the plot's place, "Plotter" the plot.
void Log_Click(Station& s);
void Oscillo_Click(Station& s);
// "Clear": the plot when it is shown, else the event list.
void EffScreenGraph_Click(Station& s);

// The list-size check: above 32000 lines the user is asked to clear the list.
void Timer5_Tick(Station& s);
inline constexpr std::size_t kListSaturation = 32000;

void mnuAdressesoft_Click(Station& s);

// The scale labels beside the thermometer bar in the temperature unit, and the limit mark
// that fits the external board's presence.
void TableDegres(Station& s);
// The ten scale texts alone.
void setScaleLabels(Station& s);

void CodeError_Click(Station& s);

} // namespace orbek::app
