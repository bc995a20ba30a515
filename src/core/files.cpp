#include "core/files.hpp"

#include "core/paths.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orbek::files {

namespace {

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

// What stands at a path that is no regular file, for the event list.
std::string kindOf(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory:
        return "a folder";
    case fs::file_type::fifo:
        return "a named pipe";
    case fs::file_type::socket:
        return "a socket";
    case fs::file_type::character:
        return "a character device";
    case fs::file_type::block:
        return "a block device";
    default:
        return "something else";
    }
}

#ifndef _WIN32
fs::file_type typeOf(mode_t mode) {
    if (S_ISDIR(mode)) return fs::file_type::directory;
    if (S_ISFIFO(mode)) return fs::file_type::fifo;
    if (S_ISSOCK(mode)) return fs::file_type::socket;
    if (S_ISCHR(mode)) return fs::file_type::character;
    if (S_ISBLK(mode)) return fs::file_type::block;
    return S_ISREG(mode) ? fs::file_type::regular : fs::file_type::unknown;
}
#endif

std::string notRegular(fs::file_type type) {
    return "is " + kindOf(type) + ", not a regular file: not read";
}

// At most `limit` + 1 bytes of a regular file, and its size. Anything else is refused before
// it is opened; it is opened without waiting for a writer and looked at again once open, in
// case it was swapped meanwhile.
std::optional<std::string> readHead(const fs::path& path, std::size_t limit, std::uintmax_t& size,
                                    std::string* refused) {
#ifdef _WIN32
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) return std::nullopt;
    if (status.type() != fs::file_type::regular) {
        setError(refused, notRegular(status.type()));
        return std::nullopt;
    }
    size = fs::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string head(limit + 1, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (in.bad()) return std::nullopt;
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    if (!S_ISREG(info.st_mode)) {
        setError(refused, notRegular(typeOf(info.st_mode)));
        return std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(refused, notRegular(typeOf(info.st_mode)));
        ::close(fd);
        return std::nullopt;
    }
    size = static_cast<std::uintmax_t>(info.st_size);
    std::string head(limit + 1, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.resize(got);
    return head;
#endif
}

// The file's bytes up to `limit`; past it, only the lines that end within the limit.
std::optional<std::string> readAll(const fs::path& path, std::size_t limit, std::string* refused) {
    if (refused) refused->clear();
    std::uintmax_t size = 0;
    auto content = readHead(path, limit, size, refused);
    if (!content || content->size() <= limit) return content;
    content->resize(limit);
    const std::size_t end = content->find_last_of("\r\n");
    content->resize(end == std::string::npos ? 0 : end + 1);
    setError(refused, "holds " + std::to_string(std::max<std::uintmax_t>(size, limit + 1)) +
                          " bytes, more than " + std::to_string(limit) +
                          ": only the lines within its first " + std::to_string(limit) +
                          " are read");
    return content;
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string lastError() {
    return std::strerror(errno);
}

// A file open for writing, each step saying why it failed. The C library's buffers are not
// used, so a failed write is known at once and the disk can be asked to keep the data.
class OutFile {
  public:
    enum class Mode { Replace, Append };
    OutFile() = default;
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    ~OutFile() { close(nullptr); }

    bool open(const fs::path& path, Mode mode, Access access, std::string* error) {
#ifdef _WIN32
        (void)access; // the user's own folders
        const int flags =
            _O_WRONLY | _O_CREAT | _O_BINARY | (mode == Mode::Replace ? _O_TRUNC : _O_APPEND);
        fd_ = _wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
#else
        const int flags =
            O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Replace ? O_TRUNC : O_APPEND);
        const mode_t permissions = access == Access::OwnerOnly ? 0600 : 0666;
        fd_ = ::open(path.c_str(), flags, permissions);
        // A file that was already there keeps its mode: narrow it.
        if (fd_ >= 0 && access == Access::OwnerOnly && ::fchmod(fd_, 0600) != 0) {
            setError(error, lastError());
            return false;
        }
#endif
        if (fd_ < 0) setError(error, lastError());
        return fd_ >= 0;
    }

    bool write(std::string_view bytes, std::string* error) {
        while (!bytes.empty()) {
#ifdef _WIN32
            const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1u << 30));
            const int done = _write(fd_, bytes.data(), static_cast<unsigned>(chunk));
#else
            const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
            if (done < 0 && errno == EINTR) continue;
#endif
            if (done <= 0) {
                setError(error, done < 0 ? lastError() : "nothing could be written");
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(done));
        }
        return true;
    }

    bool sync(std::string* error) {
#ifdef _WIN32
        const bool synced = _commit(fd_) == 0;
#else
        const bool synced = ::fsync(fd_) == 0;
#endif
        if (!synced) setError(error, lastError());
        return synced;
    }

    // Closes once; a file that was not open closes without fault.
    bool close(std::string* error) {
        if (fd_ < 0) return true;
#ifdef _WIN32
        const bool closed = _close(fd_) == 0;
#else
        const bool closed = ::close(fd_) == 0;
#endif
        fd_ = -1;
        if (!closed) setError(error, lastError());
        return closed;
    }

  private:
    int fd_ = -1;
};

// After a rename, the folder's entry reaches the disk too. Not every file system can flush a
// folder; the file itself is already safe, so a failure here is no failure of the write.
void syncFolder(const fs::path& folder) {
#ifndef _WIN32
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    (void)folder; // NTFS keeps its own journal of the rename
#endif
}

} // namespace

std::optional<std::vector<std::string>> readLines(const fs::path& path, std::size_t limit,
                                                  std::string* refused) {
    const auto content = readAll(path, limit, refused);
    if (!content) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (std::size_t i = 0; i < content->size(); ++i) {
        const char c = (*content)[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            pending = false;
            if (c == '\r' && i + 1 < content->size() && (*content)[i + 1] == '\n') ++i;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending) lines.push_back(line);
    return lines;
}

std::optional<std::string> readFirstLine(const fs::path& path, std::size_t limit,
                                         std::string* refused) {
    auto lines = readLines(path, limit, refused);
    if (!lines || lines->empty()) return std::nullopt;
    return lines->front();
}

std::optional<std::vector<std::string>> readListItems(const fs::path& path, std::size_t limit,
                                                      std::string* refused) {
    const auto content = readAll(path, limit, refused);
    if (!content) return std::nullopt;
    std::vector<std::string> items;
    const std::string& text = *content;
    std::size_t i = 0;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const auto isEnd = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i >= text.size()) break;
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"' && text[i] != '\r' && text[i] != '\n')
                item += text[i++];
            if (i < text.size() && text[i] == '"') ++i;
            // Whatever follows the closing quote up to the item's end is dropped.
            while (i < text.size() && !isEnd(text[i]))
                ++i;
        } else {
            while (i < text.size() && !isEnd(text[i]))
                item += text[i++];
            while (!item.empty() && isBlank(item.back()))
                item.pop_back();
        }
        items.push_back(item);
        if (i < text.size()) {
            // One line end (CR LF counts as one) or one comma closes the item.
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++i;
        }
    }
    return items;
}

bool writeFile(const fs::path& path, std::string_view bytes, std::string* error, Access access) {
    static std::atomic<unsigned> counter{0};
    fs::path temporary = path;
    temporary += ".tmp" + std::to_string(counter++);
    std::string why;
    OutFile out;
    bool written = out.open(temporary, OutFile::Mode::Replace, access, &why) &&
                   out.write(bytes, &why) && out.sync(&why) && out.close(&why);
    std::error_code ec;
    if (written) {
        fs::rename(temporary, path, ec);
        if (ec) why = ec.message();
        written = !ec;
    }
    if (!written) {
        out.close(nullptr);
        fs::remove(temporary, ec);
        setError(error, why);
        return false;
    }
    syncFolder(path.parent_path());
    return true;
}

bool writeLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error,
                Access access) {
    return writeFile(path, joinCrLf(lines), error, access);
}

bool appendLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error) {
    std::error_code ec;
    const bool existed = fs::exists(path, ec);
    const std::uintmax_t before = existed ? fs::file_size(path, ec) : 0;
    std::string why;
    OutFile out;
    if (!out.open(path, OutFile::Mode::Append, Access::Shared, &why)) {
        setError(error, why);
        return false;
    }
    if (out.write(joinCrLf(lines), &why) && out.close(&why)) return true;
    // A part of the lines may be in the file: cut it back to what it was.
    out.close(nullptr);
    std::error_code undo;
    if (!existed)
        fs::remove(path, undo);
    else if (!ec)
        fs::resize_file(path, before, undo);
    if (ec || undo) why += "; the part written could not be taken back";
    setError(error, why);
    return false;
}

std::vector<std::string>
removeLeftoverTemporaries(const fs::path& folder,
                          const std::function<bool(const std::string& name)>& isOwn) {
    std::vector<std::string> removed;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = pathText(it->path().filename());
        const std::size_t mark = name.rfind(".tmp");
        if (mark == std::string::npos || mark == 0) continue;
        const std::string number = name.substr(mark + 4);
        if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::error_code kind;
        if (!it->is_regular_file(kind) || !isOwn(name.substr(0, mark))) continue;
        std::error_code gone;
        if (fs::remove(it->path(), gone)) removed.push_back(name);
    }
    std::sort(removed.begin(), removed.end());
    return removed;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool openToOthers(const fs::path& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    // Only the station's own files and folders: never what a link leads to elsewhere (a
    // device, a pipe), whose modes are the system's.
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || (!fs::is_regular_file(status) && !fs::is_directory(status))) return false;
    const fs::perms perms = status.permissions();
    return (perms & (fs::perms::group_all | fs::perms::others_all)) != fs::perms::none;
#endif
}

bool restrictToOwner(const fs::path& path, std::string* error) {
#ifdef _WIN32
    (void)path;
    (void)error;
    return true;
#else
    std::error_code ec;
    fs::permissions(path, fs::perms::group_all | fs::perms::others_all, fs::perm_options::remove,
                    ec);
    if (ec) setError(error, ec.message());
    return !ec;
#endif
}

bool exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool isDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool makeDirectory(const fs::path& path, std::string* error) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path, ec)) {
        setError(error, ec ? ec.message() : "not a folder");
        return false;
    }
    return true;
}

} // namespace orbek::files
