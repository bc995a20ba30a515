// The end of the station: "Quit" with its question, and the final procedure that closes the
// port, stops every timer and unloads every window. Nothing is sent to the controller.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::app {

void mnquitter_Click(Station& s);
// Also what the window's close box does, without the question.
void QuittFinal(Station& s);

} // namespace orbek::app
