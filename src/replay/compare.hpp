// Compares a measured run's output with a recorded one: the same lines, each at a time within
// `toleranceMs` of the recorded time, in the recorded order except for lines recorded less
// than the tolerance apart, which may come in either order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orbek::replay {

struct Comparison {
    bool same = true;
    std::vector<std::string> differences; // "missing: ...", "extra: ...", "order: ..."
};

Comparison compareOutputs(const std::string& recorded, const std::string& measured,
                          int64_t toleranceMs);

} // namespace orbek::replay
