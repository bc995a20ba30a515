// The scenario runner: a plain-text scenario gives, with times in milliseconds, what the
// controller sends and what the user does; the runner plays it against a whole station on
// virtual time and prints, each line with its time, what the station did.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace orbek::replay {

struct Options {
    std::filesystem::path appFolder;  // the station's application folder
    std::filesystem::path userFolder; // Name.inc and SWord.inx
    bool echoFrames = false;          // print the frames the controller sends too
};

struct Step {
    int lineNumber = 0;
    int64_t time = 0;
    std::string command;
    std::string argument; // the rest of the line
};

struct Scenario {
    std::vector<Step> steps;
    std::vector<std::string> errors; // "line N: why"
};

Scenario parse(const std::string& text);

// Plays the scenario; returns false when it could not be played (errors are printed).
bool run(const Scenario& scenario, const Options& options, std::ostream& out);

} // namespace orbek::replay
