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

// The most a configuration or user file is read of: each holds a few short lines, and a file
// that never ends (a link to /dev/zero) or a huge one must not fill the memory.
inline constexpr std::size_t kConfigLimit = 4096;
// The most of any other text file the station or its tools read (fault scenarios, files the
// player prints).
inline constexpr std::size_t kTextLimit = std::size_t{16} << 20;

// Every reader below opens only a regular file, checked before it is opened and again once it
// is open (opened without waiting, so a named pipe cannot hang the station), and takes at most
// `limit` bytes of it: a larger file gives the lines that end within its first `limit` bytes,
// as a file cut short. `refused`, when given, says what was refused ("is a named pipe, not a
// regular file: not read", or of the part past the limit), empty when nothing was.

// The lines of a text file without their line ends (CR LF, LF or a lone CR all end a line).
// Empty optional when the file cannot be read.
std::optional<std::vector<std::string>>
readLines(const fs::path& path, std::size_t limit = kTextLimit, std::string* refused = nullptr);

// First line of a file, empty optional when the file cannot be read or is empty.
std::optional<std::string> readFirstLine(const fs::path& path, std::size_t limit = kConfigLimit,
                                         std::string* refused = nullptr);

// Items of a file read the list-input way: an item ends at a comma or a line end, blanks
// around it are dropped, and a double-quoted item keeps its commas and blanks. Only the
// configuration and user files are read so.
std::optional<std::vector<std::string>> readListItems(const fs::path& path,
                                                      std::size_t limit = kConfigLimit,
                                                      std::string* refused = nullptr);

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
