// Whole files as bytes, to check line ends and layout exactly as the station writes them.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orbek::test {

inline std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace orbek::test
