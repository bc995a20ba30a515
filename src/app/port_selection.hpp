// Choice of the serial port: status.ini, the fourteen entries of the "Port COM" menu, and the
// opening of the saved port at start-up.
#pragma once

#include <string>

namespace orbek {
class Station;
}

namespace orbek::app {

// Reads status.ini, ticks the entry of the saved port, opens it and shows the outcome. On the
// simulated controller the saved number only ticks its entry: the controller is always opened.
void Lecture_MSCOM(Station& s);
// Saves ComPortNumber to status.ini and ends the station; the new port opens at the next start.
// On the simulated controller the station goes on and says the choice waits for the real line.
void SauveComX(Station& s);
// Unticks all fourteen port entries.
void port(Station& s);
// Enables / disables all fourteen port entries (no port change during a run).
void ActivePort(Station& s);
void DesactivePort(Station& s);
// The menu entry "COM  n" (1..14).
void mncom_Click(Station& s, int number);

// The main window's caption: software and controller versions, what the port is doing, and
// BasePath. It says the port is activated only while it is open.
void setMainCaption(Station& s);
// The caption's port part, blanks included.
std::string portCaption(const Station& s);

} // namespace orbek::app
