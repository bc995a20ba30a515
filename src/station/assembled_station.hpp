// The station as the programs, players and tests run it: the Station with every subsystem's
// handlers and timers wired to its window models and its port. This is the only place that
// knows every subsystem; the shared state and the window models below it know none.
#pragma once

#include "app/station.hpp"

namespace orbek {

class AssembledStation : public Station {
  public:
    AssembledStation(Scheduler& scheduler, SerialPort& port, UiHost& ui, WallClock& clock,
                     Paths paths);
};

} // namespace orbek
