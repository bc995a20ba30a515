// The station's text files: CR LF line ends, whole-file replacement through a temporary file,
// appends opened and closed per write, and the list-input reader of the quoted user files.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

// Who may read a file the station writes: everyone the system lets, or its owner only (the
// access words and codes).
enum class Access { Shared, OwnerOnly };

// Replaces the file whole: the bytes go to a temporary file beside it ("NAME.tmp" and a
// number), which is flushed to the disk and renamed over the old one, and the folder is flushed
// after the rename; a power cut leaves the old or the new content. On failure the old file is
// left as it was, the temporary file is removed and `error` says why.
bool writeFile(const fs::path& path, std::string_view bytes, std::string* error = nullptr,
               Access access = Access::Shared);

// writeFile of the lines, each followed by CR LF.
bool writeLines(const fs::path& path, const std::vector<std::string>& lines,
                std::string* error = nullptr, Access access = Access::Shared);

// Appends the lines, each followed by CR LF. An append that fails part-way (a full disk) is
// undone: the file is left exactly as it was before, a file it created is removed.
bool appendLines(const fs::path& path, const std::vector<std::string>& lines,
                 std::string* error = nullptr);

// Removes from `folder` the temporary files that an interrupted writeFile of a file named as
// `isOwn` accepts left behind, and returns their names. Nothing else is touched.
std::vector<std::string>
removeLeftoverTemporaries(const fs::path& folder,
                          const std::function<bool(const std::string& name)>& isOwn);

// A text item as the write-to-file form puts it: between double quotes.
std::string quoted(const std::string& text);

// Whether users other than the owner may use the file or folder, and taking that away. Windows
// keeps the user's folders private by itself: there nothing is open and nothing changes.
bool openToOthers(const fs::path& path);
bool restrictToOwner(const fs::path& path, std::string* error = nullptr);

bool exists(const fs::path& path);
bool isDirectory(const fs::path& path);
bool makeDirectory(const fs::path& path, std::string* error = nullptr);

} // namespace orbek::files
