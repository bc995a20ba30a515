// Start-up of the station: the main window's load (folder, port file, port, data folder) and
// the one-shot start-up timer that creates the configuration files and loads the settings;
// NS.ini, the run state carried from one run of the station to the next.
#pragma once

#include "core/paths.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orbek {
class Station;
}

namespace orbek::app {

// The top-level folder of `home` that really holds `currentDir` (its name followed by a
// separator or the end, so "Sta" never stands for "Station"); empty when the directory is not
// below the home or is the home itself.
std::filesystem::path topLevelFolder(const std::filesystem::path& home,
                                     const std::filesystem::path& currentDir);

// The application folder: the override when set, else the top-level folder of the home that
// holds the current directory when it already holds a station (status.ini), else the fallback.
std::filesystem::path findApplicationFolder(const Paths& paths);

// A configuration file and the lines start-up writes when it is missing.
struct DefaultFile {
    std::string name;
    bool inUserFolder;
    std::vector<std::string> lines;
};
// In the order start-up creates them (status.ini, created by the load handler, is not here).
const std::vector<DefaultFile>& defaultFiles();

// Stage 1, the main window's load handler.
void Form_Load(Station& s);
// Stage 2, the first tick of `Timer7`.
void Timer7_Tick(Station& s);

// The power step LevelPW.ini holds: a whole number the slider can take (18 to 130). Anything
// else, or a file that cannot be read, is told in the event list with `consequence`.
std::optional<int> savedPowerStep(Station& s, const std::string& consequence);

// NS.ini: SavedStampVersion, RunActive, HalogenActive, SeparatorChoice, one per line.
void Sauv_NSINI(Station& s);
void Read_NSINI(Station& s);

} // namespace orbek::app
