// The controller's readings: each value clamped, stored, scaled and written into its cell of
// the readings panel; the thermometer bar and its scale; the battery blink; the greying of the
// extension-board rows.
#pragma once

#include <cstdint>

namespace orbek {
class Station;
}

namespace orbek::display {

// Codes 251, 250 to 247, 235 to 232 and the level pulses 246,1 and 197,1.
void onMeasurement(Station& s, int16_t code, int16_t value);
// Code 226, the sample-holder temperature.
void onHolderTemperature(Station& s, int16_t value);
// Greys or restores the extension-board rows after every communication event.
void refreshExternalBoard(Station& s);
// The bar for a magnetron temperature in °C.
void drawThermometer(Station& s, int celsius);

void wireMeasurements(Station& s);

} // namespace orbek::display
