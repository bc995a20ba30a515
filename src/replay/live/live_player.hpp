// The scenario player through the real program: QApplication, the real Qt host and views, the
// real serial adapter on a pseudo-terminal whose other end the player drives, and the real
// driver of virtual time, optionally faster than life.
#pragma once

#include "replay/replay.hpp"

#include <functional>
#include <ostream>

namespace orbek::replay::live {

// Plays the scenario live; needs a QApplication. Ends the process at the scenario's end
// (wherever the program is, as pulling the plug would), after removing `cleanup` when set,
// with the status `conclude` makes of the run's own (0 played, 1 a step failed).
int run(const Scenario& scenario, const Options& options, std::ostream& out,
        const std::filesystem::path& cleanup, std::function<int(int)> conclude);

} // namespace orbek::replay::live
