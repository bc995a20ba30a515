// Light power (slider, send commands, order repeater) and the halogen lamps (buttons, order
// repeater, the watch that arms the sample-holder alarm at phase 4).
#pragma once

namespace orbek {
class Station;
}

namespace orbek::run {

// Shows the slider value beside its thumb: the label text and its place.
void placePowerLabel(Station& s, int value);

void VScroll1_Change(Station& s);
void VScroll1_Scroll(Station& s);
void Command7_Click(Station& s);
void Label56_Click(Station& s);
void StartHalogen_Click(Station& s);
void StopHalogen_Click(Station& s);

void wirePowerHalogen(Station& s);

} // namespace orbek::run
