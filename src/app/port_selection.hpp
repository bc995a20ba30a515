// Choice of the serial port: status.ini, the fourteen entries of the "Port COM" menu, and the
// opening of the saved port at start-up.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::app {

// Reads status.ini, ticks the entry of the saved port, opens it and shows the outcome.
void Lecture_MSCOM(Station& s);
// Saves ComPortNumber to status.ini and ends the station; the new port opens at the next start.
void SauveComX(Station& s);
// Unticks all fourteen port entries.
void port(Station& s);
// Enables / disables all fourteen port entries (no port change during a run).
void ActivePort(Station& s);
void DesactivePort(Station& s);
// The menu entry "COM  n" (1..14).
void mncom_Click(Station& s, int number);

} // namespace orbek::app
