#include "core/files.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orbek::files {

namespace {

std::optional<std::string> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return content.str();
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

} // namespace

std::optional<std::vector<std::string>> readLines(const fs::path& path) {
    const auto content = readAll(path);
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

std::optional<std::string> readFirstLine(const fs::path& path) {
    auto lines = readLines(path);
    if (!lines || lines->empty()) return std::nullopt;
    return lines->front();
}

std::optional<std::vector<std::string>> readListItems(const fs::path& path) {
    const auto content = readAll(path);
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

bool writeLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error) {
    static std::atomic<unsigned> counter{0};
    fs::path temporary = path;
    temporary += ".tmp" + std::to_string(counter++);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            setError(error, std::strerror(errno));
            return false;
        }
        out << joinCrLf(lines);
        out.flush();
        if (!out) {
            setError(error, "write failed");
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        setError(error, ec.message());
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

bool appendLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) {
        setError(error, std::strerror(errno));
        return false;
    }
    out << joinCrLf(lines);
    out.flush();
    if (!out) {
        setError(error, "write failed");
        return false;
    }
    return true;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
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
