// The wear-counter window: the controller's three wear counters and the station's own uptime
// counter ("[Hdd]", kept in Counter.ini), their display, and the erasing of each counter.
#pragma once

#include <cstdint>
#include <string>

namespace orbek {
class Station;
}

namespace orbek::maintenance {

// Eight characters "0"/"1", most significant bit first: 37 gives "00100101".
std::string bitPattern(uint8_t value);
// The byte of a Counter.ini line: the rightmost eight characters, each "1" a set bit, any other
// character a clear one; an empty line is zero.
uint8_t patternByte(const std::string& line);

// One display pass: advances the uptime counter (unless Counter.ini was just read), shows every
// slot and saves the uptime counter.
void UsuresDisplayPass(Station& s);
// Whether a counter may be erased now: never from Start until the controller reports ready,
// nor while the lamp runs.
bool eraseAllowed(const Station& s);
void Activation_Click(Station& s, int index);
void ResetCompteurManuel_Click(Station& s);

// Connects the window's buttons, its timers and the main window's "Hardware Uptime" entry.
void wireWearCounters(Station& s);

} // namespace orbek::maintenance
