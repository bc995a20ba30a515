#include "replay/compare.hpp"

#include "replay/scenario.hpp"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace orbek::replay {

namespace {

struct Line {
    int64_t time = 0;
    std::string text;
    std::string original;
};

std::vector<Line> linesOf(const std::string& output) {
    std::vector<Line> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        Line l;
        l.original = line;
        std::size_t at = line.find_first_not_of(' ');
        const std::size_t end = line.find(' ', at == std::string::npos ? 0 : at);
        l.time = at == std::string::npos ? 0 : std::atoll(line.c_str() + at);
        l.text = end == std::string::npos ? std::string() : line.substr(end + 1);
        lines.push_back(l);
    }
    return lines;
}

int64_t distance(int64_t a, int64_t b) {
    return a > b ? a - b : b - a;
}

// A text with its ISO 8601 times ("2000-01-01T00:00:05.120Z", in telemetry payloads) taken
// out: the rest, and each time in milliseconds.
struct Timed {
    std::string rest;
    std::vector<int64_t> times;
};

Timed timesOf(const std::string& text) {
    static const std::string pattern = "dddd-dd-ddTdd:dd:dd.dddZ";
    Timed out;
    std::size_t i = 0;
    while (i < text.size()) {
        bool match = i + pattern.size() <= text.size();
        for (std::size_t k = 0; match && k < pattern.size(); ++k) {
            const char c = text[i + k];
            match = pattern[k] == 'd' ? c >= '0' && c <= '9' : c == pattern[k];
        }
        if (!match) {
            out.rest += text[i++];
            continue;
        }
        const auto number = [&](std::size_t at, std::size_t n) {
            return std::atoll(text.substr(i + at, n).c_str());
        };
        // Days from civil (proleptic Gregorian), then the time of day.
        int64_t y = number(0, 4);
        const int64_t m = number(5, 2);
        y -= m <= 2;
        const int64_t era = y / 400;
        const int64_t yoe = y - era * 400;
        const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + number(8, 2) - 1;
        const int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
        out.times.push_back(((days * 24 + number(11, 2)) * 60 + number(14, 2)) * 60000 +
                            number(17, 2) * 1000 + number(20, 3));
        out.rest += '@';
        i += pattern.size();
    }
    return out;
}

// The same line but for its times, each within the tolerance.
bool sameText(const std::string& a, const std::string& b, int64_t toleranceMs) {
    if (a == b) return true;
    if (toleranceMs == 0 || a.find('T') == std::string::npos) return false;
    const Timed x = timesOf(a);
    const Timed y = timesOf(b);
    if (x.rest != y.rest || x.times.empty()) return false;
    for (std::size_t k = 0; k < x.times.size(); ++k)
        if (distance(x.times[k], y.times[k]) > toleranceMs) return false;
    return true;
}

bool kindOf(const std::string& text, const std::string& kind) {
    return text.rfind(kind + " ", 0) == 0;
}

// Telemetry's own lines tell the network's state at the recording (a broker lost, a command
// that failed), which a replay does not have.
bool compared(const Line& l) {
    return kindOf(l.text, "TX") ||
           (kindOf(l.text, "LIST") && l.text.rfind("LIST Telemetry: ", 0) != 0);
}

// The first difference between the recorded and the replayed lines of one kind.
void firstDifference(const std::string& kind, const std::vector<Line>& recorded,
                     const std::vector<Line>& replayed, Comparison& result) {
    const std::size_t common = std::min(recorded.size(), replayed.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (recorded[i].text == replayed[i].text) continue;
        result.differences.push_back(
            kind + " line " + std::to_string(i + 1) + ": recorded \"" + recorded[i].text +
            "\" at " + std::to_string(recorded[i].time) + " ms, replayed \"" + replayed[i].text +
            "\" at " + std::to_string(replayed[i].time) + " ms");
        return;
    }
    if (recorded.size() == replayed.size()) return;
    const bool more = recorded.size() > replayed.size();
    const Line& first = more ? recorded[common] : replayed[common];
    result.differences.push_back(kind + ": " + std::to_string(recorded.size()) + " recorded, " +
                                 std::to_string(replayed.size()) + " replayed; the first " +
                                 (more ? "missing" : "extra") + " is \"" + first.text + "\" at " +
                                 std::to_string(first.time) + " ms");
}

} // namespace

Comparison compareRecording(const std::string& recording, const std::string& output) {
    // The recorded lines, and the stretch of the session the recording holds.
    std::vector<Line> recorded;
    int64_t from = 0;
    int64_t last = 0;
    std::istringstream in(recording);
    std::string text;
    while (std::getline(in, text)) {
        text = trim(text);
        if (text.rfind("# session from ", 0) == 0) from = std::atoll(text.c_str() + 15);
        if (text.empty() || text.front() != '#') continue;
        for (const Line& l : linesOf(text.substr(1))) {
            last = std::max(last, l.time);
            if (compared(l)) recorded.push_back(l);
        }
    }
    const Scenario scenario = parse(recording);
    bool ended = false;
    for (const Step& step : scenario.steps) {
        last = std::max(last, step.time);
        if (step.command == "end") {
            last = step.time;
            ended = true;
            break;
        }
    }
    std::vector<Line> replayed;
    for (const Line& l : linesOf(output))
        if (compared(l) && l.time >= from && (ended ? l.time < last : l.time <= last))
            replayed.push_back(l);

    Comparison result;
    for (const std::string kind : {"TX", "LIST"}) {
        std::vector<Line> want;
        std::vector<Line> got;
        for (const Line& l : recorded)
            if (kindOf(l.text, kind)) want.push_back(l);
        for (const Line& l : replayed)
            if (kindOf(l.text, kind)) got.push_back(l);
        firstDifference(kind, want, got, result);
    }
    result.same = result.differences.empty();
    return result;
}

Comparison compareOutputs(const std::string& recorded, const std::string& measured,
                          int64_t toleranceMs) {
    const std::vector<Line> want = linesOf(recorded);
    const std::vector<Line> got = linesOf(measured);
    std::vector<bool> used(got.size(), false);
    std::vector<long> match(want.size(), -1);
    Comparison result;
    // Each recorded line takes the unused measured line with its text nearest its time, within
    // the tolerance.
    for (std::size_t i = 0; i < want.size(); ++i) {
        for (std::size_t j = 0; j < got.size(); ++j) {
            if (used[j] || !sameText(got[j].text, want[i].text, toleranceMs)) continue;
            const int64_t d = distance(got[j].time, want[i].time);
            if (d > toleranceMs) continue;
            if (match[i] < 0 ||
                d < distance(got[static_cast<std::size_t>(match[i])].time, want[i].time))
                match[i] = static_cast<long>(j);
        }
        if (match[i] < 0)
            result.differences.push_back("missing: " + want[i].original);
        else
            used[static_cast<std::size_t>(match[i])] = true;
    }
    for (std::size_t j = 0; j < got.size(); ++j)
        if (!used[j]) result.differences.push_back("extra:   " + got[j].original);
    // Order: two lines that came the other way round must have been recorded close together.
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (match[i] < 0) continue;
        for (std::size_t k = i + 1; k < want.size(); ++k) {
            if (match[k] < 0 || match[k] > match[i]) continue;
            if (want[k].time - want[i].time > toleranceMs)
                result.differences.push_back("order:   " + want[k].original + " came before " +
                                             want[i].original);
        }
    }
    result.same = result.differences.empty();
    return result;
}

} // namespace orbek::replay
