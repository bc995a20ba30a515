#include "replay/compare.hpp"

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

} // namespace

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
