// Where the station's files are: the application folder (configuration files, "Data", "Img")
// and the folder of the two user files. Every file is reached through here.
#pragma once

#include <filesystem>
#include <string>

namespace orbek {

struct Paths {
    std::filesystem::path appFolder;
    std::filesystem::path userFolder;

    std::filesystem::path appFile(const std::string& name) const { return appFolder / name; }
    std::filesystem::path userFile(const std::string& name) const { return userFolder / name; }
};

} // namespace orbek
