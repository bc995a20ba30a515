// Choice of the serial port: status.ini, the fourteen entries of the "Port COM" menu, the
// opening of the saved port at start-up, and its return after the device went away.
#pragma once

#include "core/serial_port.hpp"

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
// Each entry of the "Port COM" menu shows, after a tab, the device its number opens, marked
// when it is missing (the menu dropping down, start-up, the port lost or back). Not on the
// simulated controller, which every number reaches.
void showPortDevices(Station& s);

// The device behind the open port went away and the port has closed: the link shows
// interrupted at once, and Timer34 tries every 2 s to open the same port again.
void portLost(Station& s);
// Timer34: the port is open again once its device is back; a run goes on as after any silence.
void Timer34_Tick(Station& s);

// The box text for a port that is there but cannot be opened: the port, its device, the
// reason, and what the user can do about it.
std::string openFailureText(int number, const std::string& device, const OpenError& error);

// The main window's caption: software and controller versions, what the port is doing, and
// BasePath. It says the port is activated only while it is open.
void setMainCaption(Station& s);
// The caption's port part, blanks included.
std::string portCaption(const Station& s);

} // namespace orbek::app
