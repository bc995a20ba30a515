// Supervision of the link: the status label refreshed by every valid frame, the watchdog after
// 20 s of silence, the warning labels, and the start request that gives up after six tries.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::link {

// Every valid frame: the link is active, the watchdog starts its 20 s again.
void linkActive(Station& s);
// Values hidden now, the warning labels after 4 s (link lost, pin changes).
void linkLost(Station& s);
// The watchdog's reaction: the status label red "RS232 Interrupted !   ", then as linkLost.
void linkInterrupted(Station& s);

void Effacer_Valeurs(Station& s);
// Shows the value cells, but not those whose value is older than a loss of the device.
void Activer_Valeurs(Station& s);
// The device went away: every value shown is from before, and so is the run state.
void valuesOutdated(Station& s);
// A frame has set the value cell Label5(cell): it is current again and shown.
void valueSet(Station& s, int cell);

// Connects Timer1 (start request), Timer6 (warning) and Timer33 (watchdog).
void wireTimers(Station& s);

} // namespace orbek::link
