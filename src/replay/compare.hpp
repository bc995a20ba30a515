// Compares a measured run's output with a recorded one: the same lines, each at a time within
// `toleranceMs` of the recorded time, in the recorded order except for lines recorded less
// than the tolerance apart, which may come in either order. Times written in a line (the ISO
// 8601 times of telemetry payloads) are compared with the same tolerance.
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

// A replay's output against the recording it replayed, which holds what the recorded station
// did as "# TX" and "# LIST" comments: the same TX lines in the same order, and the same LIST
// lines in the same order (times are not compared; telemetry's own "Telemetry: " lines, which
// tell the network's state, neither). The replay's lines count from the
// recording's "# session from" mark to its `end` step (exclusive), or to its last line when it
// was cut short. Each kind reports its first difference.
Comparison compareRecording(const std::string& recording, const std::string& output);

} // namespace orbek::replay
