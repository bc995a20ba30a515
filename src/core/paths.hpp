// Where the station's files are: the application folder (configuration files, "Data", "Img")
// and the folder of the two user files. Every file is reached through here.
//
// The application folder is the top-level folder of the home (which plays drive C:; on Windows
// the drive itself) that holds the current directory, where that folder already holds a station
// (status.ini); `appFolder` set beforehand (--base, tests) overrides the rule, and `fallback` is
// the folder otherwise.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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
    std::filesystem::path fallback;   // the platform's data folder (see platformPaths)

    std::filesystem::path appFile(const std::string& name) const { return appFolder / name; }
    std::filesystem::path userFile(const std::string& name) const { return userFolder / name; }
};

// The station's texts are UTF-8. A path's own narrow form is not on Windows (the ANSI code page
// cannot hold every folder name), so paths and texts meet only through these two.
std::string pathText(const std::filesystem::path& path);
std::filesystem::path pathFromText(std::string_view utf8);

// Whether two parts of a path name the same folder; Windows ignores the case of letters.
bool samePathPart(const std::filesystem::path& a, const std::filesystem::path& b);

// The folders of a station started in `currentDir` by the user whose home is `home`, before
// --base: on Windows the drive of the current directory holds the top-level folders, the
// fallback is %LOCALAPPDATA%\orbek-station and the user files are in %APPDATA%\orbek-station;
// elsewhere the home plays the drive, with $XDG_DATA_HOME/orbek-station and
// $XDG_CONFIG_HOME/orbek-station (~/.local/share and ~/.config when unset or relative).
Paths platformPaths(const std::filesystem::path& home, const std::filesystem::path& currentDir);

} // namespace orbek
