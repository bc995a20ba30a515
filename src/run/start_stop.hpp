// Starting and stopping a run: the two buttons, the stop-order repeater, the temperature
// stop, the automatic stop of the sample-holder watch and the wear-data poll of a running lamp.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::run {

void Startbouton_Click(Station& s);
void Stopbouton_Click(Station& s);
// Called by the dispatcher when the magnetron is too hot: stops the lamp, keeps the display.
void StopTemp(Station& s);
// Resets the traces of the plot (all but the magnetron temperature).
void StopTraces(Station& s);

// Connects the buttons and the timers of this part to the main window.
void wire(Station& s);

} // namespace orbek::run
