// The component-test window: switching the motor and the fans, and the controller's speed
// tests of both, whose results the reader LectureVitesse lists.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::maintenance {

// A switch button: the test order `order` (0, 245, order) repeated until acknowledged.
void switchOrder(Station& s, int order);
// A speed test: 1 the motor, 2 the fans; only while the port is open.
void speedTest(Station& s, int test);

// Connects the window's buttons, its timers and the main window's "Motor + Fan(s) Tests" entry.
void wireComponentTests(Station& s);

} // namespace orbek::maintenance
