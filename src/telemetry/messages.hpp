// The contents of the telemetry messages: the station's state as the screen shows it, the
// events, and the Home Assistant discovery configurations. Field names are the interface that
// dashboards rely on: snake_case, the unit in the name where a number has one.
#pragma once

#include "core/clock.hpp"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>

namespace orbek {
class Station;
}

namespace orbek::telemetry {

using Json = nlohmann::ordered_json;

// "2026-12-07T10:15:02.120Z".
std::string isoTime(const DateTime& utc);

// Compact JSON; text that is not UTF-8 (a file name from another code page) is replaced, never
// refused.
std::string dumped(const Json& json);

// The wear counters in hours, kept once read: the window that shows them may close.
struct WearHours {
    bool read = false; // a burst came from the controller; its display pass may still follow
    std::optional<std::map<std::string, int64_t>> hours;
};

// A file of the station's as dashboards show it: relative to the application folder when it
// lies there, with "/" between folders.
std::string shownFile(Station& s, const std::string& path);

// The state without its time, from the shared state and the window models as they are (no
// window is loaded by reading it).
Json stateOf(Station& s, const std::string& station, WearHours& wear);

// The temperature unit on screen: "°C" or "°F".
std::string temperatureUnit(Station& s);
// A panel cell as a value and unit: {"value": 45, "unit": "°C"}, the value null while the
// cell shows none.
Json temperatureCell(Station& s, const std::string& caption, bool visible);

// The retained discovery configurations (topic, payload) for Home Assistant: each reading, the
// phase, the run, the light power, the holder alarm and the station's availability.
std::map<std::string, std::string> discoveryConfigs(Station& s, const std::string& station,
                                                    const std::string& prefix);

} // namespace orbek::telemetry
