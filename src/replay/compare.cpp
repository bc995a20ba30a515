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

bool kindOf(const std::string& text, const std::string& kind) {
    return text.rfind(kind + " ", 0) == 0;
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
            if (kindOf(l.text, "TX") || kindOf(l.text, "LIST")) recorded.push_back(l);
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
        if ((kindOf(l.text, "TX") || kindOf(l.text, "LIST")) && l.time >= from &&
            (ended ? l.time < last : l.time <= last))
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
            if (used[j] || got[j].text != want[i].text) continue;
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
