// The sample-holder watch: the alarm test of a running lamp, the warning window with its
// record in SHTAlarm.txt, and the information window over the sample-holder cell.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::alarm {

// One pass of the alarm test (the main window's Timer14).
void alarmTest(Station& s);

void wireAlarm(Station& s);

} // namespace orbek::alarm
