#include "core/paths.hpp"

#include <cstdlib>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace orbek {

namespace fs = std::filesystem;

namespace {

// An absolute folder named by an environment variable; empty when unset or relative.
fs::path folderFromEnvironment(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wide.c_str());
#else
    const char* value = std::getenv(name);
#endif
    if (!value || !*value) return {};
    fs::path folder(value);
    return folder.is_absolute() ? folder : fs::path();
}

fs::path environmentOr(const char* name, const fs::path& otherwise) {
    const fs::path folder = folderFromEnvironment(name);
    return (folder.empty() ? otherwise : folder) / "orbek-station";
}

} // namespace

std::string pathText(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path pathFromText(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool samePathPart(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
#else
    return a == b;
#endif
}

Paths platformPaths(const fs::path& home, const fs::path& currentDir) {
    Paths paths;
    paths.currentDir = currentDir;
#ifdef _WIN32
    paths.home = currentDir.root_path();
    paths.fallback = environmentOr("LOCALAPPDATA", home / "AppData" / "Local");
    paths.userFolder = environmentOr("APPDATA", home / "AppData" / "Roaming");
#else
    paths.home = home;
    paths.fallback = environmentOr("XDG_DATA_HOME", home / ".local" / "share");
    paths.userFolder = environmentOr("XDG_CONFIG_HOME", home / ".config");
#endif
    return paths;
}

} // namespace orbek
