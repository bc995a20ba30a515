// The station's text files: CR LF line ends, whole-file replacement through a temporary file,
// appends opened and closed per write, and the list-input reader of the quoted user files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orbek::files {

namespace fs = std::filesystem;

// The lines of a text file without their line ends (CR LF, LF or a lone CR all end a line).
// Empty optional when the file cannot be read.
std::optional<std::vector<std::string>> readLines(const fs::path& path);

// First line of a file, empty optional when the file cannot be read or is empty.
std::optional<std::string> readFirstLine(const fs::path& path);

// Items of a file read the list-input way: an item ends at a comma or a line end, blanks
// around it are dropped, and a double-quoted item keeps its commas and blanks.
std::optional<std::vector<std::string>> readListItems(const fs::path& path);

// Replaces the file whole: every line followed by CR LF, written to a temporary file beside it
// and renamed over the old one. On failure the old file is left as it was and `error` says why.
bool writeLines(const fs::path& path, const std::vector<std::string>& lines,
                std::string* error = nullptr);

// Appends the lines, each followed by CR LF.
bool appendLines(const fs::path& path, const std::vector<std::string>& lines,
                 std::string* error = nullptr);

// A text item as the write-to-file form puts it: between double quotes.
std::string quoted(const std::string& text);

bool exists(const fs::path& path);
bool isDirectory(const fs::path& path);
bool makeDirectory(const fs::path& path, std::string* error = nullptr);

} // namespace orbek::files
