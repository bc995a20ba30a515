#include "replay/scenario.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace orbek::replay {

namespace {

const char* const kCommands[] = {"start", "frame", "rx",    "bytes", "comm",     "click",
                                 "type",  "value", "check", "fire",  "answer",   "show",
                                 "file",  "clock", "port",  "end",   "telemetry"};

bool known(const std::string& command) {
    for (const char* c : kCommands)
        if (command == c) return true;
    return false;
}

// Days since 1 January 1970 of a civil date, and back (proleptic Gregorian calendar).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

} // namespace

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size() &&
                 std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 32 || c == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string stepText(const std::string& text) {
    std::string out = printable(text);
    std::size_t blanks = 0;
    while (blanks < out.size() && out[out.size() - 1 - blanks] == ' ')
        ++blanks;
    out.erase(out.size() - blanks);
    for (std::size_t i = 0; i < blanks; ++i)
        out += "\\x20";
    return out;
}

std::string withBase(const std::string& text, const std::string& base, const std::string& user) {
    // The user folder first: it often lies in the application folder. In a printed text a
    // folder's backslashes (Windows) are escaped. The separator after the folder reads "/" on
    // every platform, so one recorded output holds for both.
    std::string out = text;
    for (const auto& [folder, name] : {std::pair{user, "USER"}, std::pair{base, "BASE"}})
        if (folder.size() > 1)
            for (const std::string& form : {folder, printable(folder)})
                for (auto at = out.find(form); at != std::string::npos;
                     at = out.find(form, at + 4)) {
                    out.replace(at, form.size(), name);
                    const std::size_t after = at + 4;
                    if (out.compare(after, 2, "\\\\") == 0)
                        out.replace(after, 2, "/");
                    else if (out.compare(after, 1, "\\") == 0)
                        out.replace(after, 1, "/");
                }
    return out;
}

std::vector<std::string> orderLines(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::string line = "TX";
        char byte[8];
        for (std::size_t k = i; k < std::min(bytes.size(), i + 3); ++k) {
            std::snprintf(byte, sizeof byte, " %03d", bytes[k]);
            line += byte;
        }
        lines.push_back(line);
    }
    return lines;
}

bool parseDateTime(const std::string& text, DateTime& out, int* millisecond) {
    DateTime t;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &used) != 6)
        return false;
    std::string rest = text.substr(static_cast<std::size_t>(used));
    int ms = 0;
    if (rest.size() == 4 && rest[0] == '.' &&
        rest.find_first_not_of("0123456789", 1) == std::string::npos)
        ms = std::stoi(rest.substr(1));
    else if (!trim(rest).empty())
        return false;
    if (t.year < 1900 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 ||
        t.hour < 0 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    int y = 0, m = 0, d = 0;
    civilFromDays(daysFromCivil(t.year, t.month, t.day), y, m, d);
    if (d != t.day) return false; // 31 April and the like
    out = t;
    if (millisecond) *millisecond = ms;
    return true;
}

std::string formatDateTime(const DateTime& t, int millisecond) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, millisecond);
    return text;
}

DateTime ScenarioClock::now() const {
    const int64_t base = daysFromCivil(base_.year, base_.month, base_.day) * 86400 +
                         base_.hour * 3600 + base_.minute * 60 + base_.second;
    const int64_t elapsed = baseMs_ + std::max<int64_t>(0, now_() - setAt_);
    const int64_t seconds = base + elapsed / 1000;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    t.millisecond = static_cast<int>(elapsed % 1000);
    // 1 January 1970 was a Thursday (5 with Sunday as 1).
    t.weekday = static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
    return t;
}

Scenario parse(const std::string& text) {
    Scenario scenario;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int64_t previous = 0;
    while (std::getline(in, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        std::istringstream words(line);
        std::string time;
        Step step;
        step.lineNumber = number;
        words >> time >> step.command;
        const bool relative = !time.empty() && time.front() == '+';
        const std::string digits = relative ? time.substr(1) : time;
        // Up to about 30 years of milliseconds: a longer number is no time.
        if (digits.empty() || digits.size() > 12 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            scenario.errors.push_back("line " + std::to_string(number) + ": no time in \"" + line +
                                      "\"");
            continue;
        }
        step.time = (relative ? previous : 0) + std::stoll(digits);
        if (!known(step.command)) {
            scenario.errors.push_back("line " + std::to_string(number) + ": unknown command \"" +
                                      step.command + "\"");
            continue;
        }
        if (step.time < previous) {
            scenario.errors.push_back("line " + std::to_string(number) + ": time goes backwards");
            continue;
        }
        std::getline(words, step.argument);
        if (!step.argument.empty() && step.argument.front() == ' ') step.argument.erase(0, 1);
        if (step.command != "frame" && step.command != "bytes" && step.command != "type")
            step.argument = trim(step.argument);
        DateTime ignored;
        if (step.command == "clock" && !parseDateTime(step.argument, ignored)) {
            scenario.errors.push_back("line " + std::to_string(number) +
                                      ": clock needs YYYY-MM-DD HH:MM:SS[.mmm]");
            continue;
        }
        previous = step.time;
        scenario.steps.push_back(step);
    }
    return scenario;
}

} // namespace orbek::replay
