// The receive dispatcher: what a valid frame in RxFrame does to the station.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::link {

// Runs the fixed sequence of independent tests on RxFrame, in order, for one valid frame.
void dispatch(Station& s);

// Ends every communication event, whatever it was.
void afterEveryEvent(Station& s);

} // namespace orbek::link
