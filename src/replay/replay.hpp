// The scenario player: a plain-text scenario gives, with times in milliseconds, what the
// controller sends and what the user does; the player plays it against a whole station and
// prints, each line with its time, what the station did. This is the virtual-time player; the
// live one (replay/live/) plays the same language through the real program.
#pragma once

#include "replay/scenario.hpp"

#include <filesystem>
#include <ostream>

namespace orbek::replay {

struct Options {
    std::filesystem::path appFolder;  // the station's application folder
    std::filesystem::path userFolder; // Name.inc and SWord.inx
    bool echoFrames = false;          // print the frames the controller sends too
    double speed = 1.0;               // live only: virtual milliseconds per real millisecond
    std::string mqtt{};               // live only: the broker telemetry goes to (mqtt://HOST:PORT)
};

// Plays the scenario on virtual time; returns false when it could not be played (errors are
// printed).
bool run(const Scenario& scenario, const Options& options, std::ostream& out);

} // namespace orbek::replay
