// The readers of the maintenance windows: each takes the value of the frame just received
// (RxFrame) into its window.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::maintenance {

// One result of a speed test of the motor or fans.
void LectureVitesse(Station& s);
// One of the clock-register parameters read back from the controller.
void LectureRegistresDS1307(Station& s);
// One wear byte into the next wear slot.
void LectureDataUsures(Station& s);

} // namespace orbek::maintenance
