// Where the station's files are: the application folder (configuration files, "Data", "Img")
// and the folder of the two user files. Every file is reached through here.
//
// The application folder is the top-level folder of the home (which plays drive C:) that holds
// the current directory, where that folder already holds a station (status.ini); `appFolder`
// set beforehand (--base, tests) overrides the rule, and `fallback` is the folder otherwise.
#pragma once

#include <filesystem>
#include <string>

namespace orbek {

struct Paths {
    Paths() = default;
    // A fixed application folder and user folder (tests, --base).
    Paths(std::filesystem::path app, std::filesystem::path user)
        : appFolder(std::move(app)), userFolder(std::move(user)) {}

    std::filesystem::path appFolder;  // empty until start-up settles it, unless overridden
    std::filesystem::path userFolder; // Name.inc and SWord.inx
    std::filesystem::path home;       // plays drive C:
    std::filesystem::path currentDir; // where the station was started
    std::filesystem::path fallback;   // $XDG_DATA_HOME/orbek-station

    std::filesystem::path appFile(const std::string& name) const { return appFolder / name; }
    std::filesystem::path userFile(const std::string& name) const { return userFolder / name; }
};

} // namespace orbek
