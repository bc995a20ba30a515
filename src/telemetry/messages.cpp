#include "telemetry/messages.hpp"

#include "app/station.hpp"
#include "core/text.hpp"

#include <array>
#include <cctype>
#include <cstdio>

namespace orbek::telemetry {

namespace {

// The readings panel, row by row: the short name dashboards use, the row's caption, the value
// cell (Label5[i]) and the unit its caption shows; an empty unit is a temperature in the
// chosen unit.
struct Reading {
    const char* name;
    const char* label;
    int cell;
    const char* unit;
    const char* deviceClass; // Home Assistant's, where one fits
};

constexpr std::array<Reading, 9> kReadings{{
    {"LPC", "Lamp plasma control", 0, "AU", nullptr},
    {"LFC", "Light flux control", 1, "%", nullptr},
    {"VIS", "Light intensity", 6, "W/m2", nullptr},
    {"IR", "IR light intensity", 7, "%", nullptr},
    {"RH", "Relative humidity at samples", 8, "%", "humidity"},
    {"SHT", "Samples holder temperature", 10, "", "temperature"},
    {"MAT", "Magnetron anode temperature", 4, "", "temperature"},
    {"battery", "Setup battery voltage", 3, "V", "voltage"},
    {"supply", "Power supply processor", 2, "V", "voltage"},
}};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A cell's number as shown: whole where the text has no decimal point; null when it shows none.
Json cellNumber(const std::string& caption, bool visible) {
    const std::string text = trimmed(caption);
    const auto digit = [&](std::size_t i) {
        return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
    };
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    if (!visible || text.empty() ||
        !(digit(0) || (sign && (digit(1) || digit(2))) || (text[0] == '.' && digit(1))))
        return nullptr;
    const double value = leadingNumber(text);
    if (text.find('.') == std::string::npos && value > -1e15 && value < 1e15)
        return static_cast<int64_t>(value);
    return value;
}

std::string nodeId(const std::string& station) {
    std::string id = "orbek_";
    for (unsigned char c : station)
        id += std::isalnum(c) || c == '-' ? static_cast<char>(c) : '_';
    return id;
}

} // namespace

std::string isoTime(const DateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::string dumped(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string temperatureUnit(Station& s) {
    return s.state.Coefficients[8].toNumber() != 0 ? "°F" : "°C";
}

Json temperatureCell(Station& s, const std::string& caption, bool visible) {
    return Json{{"value", cellNumber(caption, visible)}, {"unit", temperatureUnit(s)}};
}

std::string shownFile(Station& s, const std::string& path) {
    std::string file = path;
    const std::string& base = s.state.BasePath;
    if (!base.empty() && file.size() > base.size() + 1 && file.compare(0, base.size(), base) == 0 &&
        (file[base.size()] == '/' || file[base.size()] == '\\'))
        file = file.substr(base.size() + 1);
    for (char& c : file)
        if (c == '\\') c = '/';
    return file;
}

Json stateOf(Station& s, const std::string& station, WearHours& wear) {
    const StationState& st = s.state;
    Station::Windows& m = s.models();
    const StartWindow& w = *m.Start;
    Json j;
    j["station"] = station;
    j["software"] = st.SoftwareVersion.empty() ? Json() : Json(st.SoftwareVersion + "h");
    j["controller"] = st.StampVersion.empty() ? Json() : Json(st.StampVersion);
    if (s.port.simulated())
        j["port"] = "simulated controller";
    else
        j["port"] = st.ComPortNumber > 0 ? Json("COM " + std::to_string(st.ComPortNumber)) : Json();
    j["port_open"] = s.port.isOpen();
    j["link"] = trimmed(w.Label7[0].caption);
    j["phase"] = st.LampPhase;
    j["phase_text"] = trimmed(w.Label22.caption);
    j["run_active"] = st.RunActive == 1;
    j["power_w"] = st.PowerWatts;
    // The lamp's cooling while the wait box counts it down.
    j["cooling_s"] = m.Boitestop->shown() ? Json(st.CoolingSeconds) : Json();
    // As the screen shows it: the green button while it is there.
    j["halogen_on"] = w.StartHalogen.visible && w.StartHalogen.backColour == colour::green;
    const std::string unit = temperatureUnit(s);
    Json readings = Json::array();
    for (const Reading& r : kReadings) {
        const Control& cell = w.Label5[r.cell];
        readings.push_back({{"name", r.name},
                            {"value", cellNumber(cell.caption, cell.visible)},
                            {"unit", *r.unit ? std::string(r.unit) : unit}});
    }
    j["readings"] = std::move(readings);
    j["holder_temperature"] = temperatureCell(s, w.Label5[10].caption, w.Label5[10].visible);
    j["holder_alarm"] = m.AlarmHolder->shown();
    j["holder_alarm_enabled"] = m.Parametres->Check1.checked.get();
    const std::string file = shownFile(s, st.LogFilePath);
    j["logger"] = {{"running", w.Timer15.enabled()},
                   {"file", file.empty() ? Json() : Json(file)},
                   {"rows", st.LogRowCounter / kFixedOne}};
    const UsuresWindow& u = *m.Usures;
    if (wear.read && u.loaded() && !u.Timer2.enabled()) {
        std::map<std::string, int64_t> hours;
        const char* names[] = {"lamp", "halogen", "magnetron", "station"};
        for (int i = 0; i < 4; ++i)
            hours[names[i]] = static_cast<int64_t>(leadingNumber(u.Label5[i].caption));
        wear.hours = hours;
    }
    if (wear.hours) {
        Json hours;
        for (const char* name : {"lamp", "halogen", "magnetron", "station"})
            hours[name] = wear.hours->at(name);
        j["wear_hours"] = std::move(hours);
    }
    return j;
}

std::map<std::string, std::string> discoveryConfigs(Station& s, const std::string& station,
                                                    const std::string& prefix) {
    const std::string node = nodeId(station);
    const Json device = {{"identifiers", {node}},
                         {"name", "ORBEK " + station},
                         {"manufacturer", "ORBEK"},
                         {"model", "Light-exposure machine"}};
    std::map<std::string, std::string> configs;
    const auto add = [&](const std::string& component, const std::string& object, Json config,
                         bool available = true) {
        config["unique_id"] = node + "_" + object;
        config["object_id"] = node + "_" + object;
        if (!config.contains("state_topic")) config["state_topic"] = prefix + "/state";
        if (available) config["availability_topic"] = prefix + "/availability";
        config["device"] = device;
        configs["homeassistant/" + component + "/" + node + "/" + object + "/config"] =
            dumped(config);
    };
    const std::string unit = temperatureUnit(s);
    for (std::size_t i = 0; i < kReadings.size(); ++i) {
        const Reading& r = kReadings[i];
        Json config = {
            {"name", r.label},
            {"value_template", "{{ value_json.readings[" + std::to_string(i) + "].value }}"},
            {"unit_of_measurement", *r.unit ? std::string(r.unit) : unit},
            {"state_class", "measurement"}};
        if (r.deviceClass) config["device_class"] = r.deviceClass;
        std::string object = r.name;
        for (char& c : object)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        add("sensor", object, std::move(config));
    }
    add("sensor", "phase", {{"name", "Lamp phase"}, {"value_template", "{{ value_json.phase }}"}});
    add("sensor", "power",
        {{"name", "Light power"},
         {"value_template", "{{ value_json.power_w }}"},
         {"unit_of_measurement", "W"},
         {"device_class", "power"}});
    add("binary_sensor", "run",
        {{"name", "Run"},
         {"value_template", "{{ 'ON' if value_json.run_active else 'OFF' }}"},
         {"device_class", "running"}});
    add("binary_sensor", "holder_alarm",
        {{"name", "Sample-holder alarm"},
         {"value_template", "{{ 'ON' if value_json.holder_alarm else 'OFF' }}"},
         {"device_class", "heat"}});
    add("binary_sensor", "availability",
        {{"name", "Station online"},
         {"state_topic", prefix + "/availability"},
         {"payload_on", "online"},
         {"payload_off", "offline"},
         {"device_class", "connectivity"}},
        false);
    return configs;
}

} // namespace orbek::telemetry
