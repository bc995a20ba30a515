// Where telemetry goes and what it says, from $XDG_CONFIG_HOME/orbek-station/telemetry.conf and
// the command line (--mqtt URL, --station-name NAME, --on-event PROGRAM), which wins. Telemetry
// is off unless a broker or an event command is configured. The file holds one "key = value"
// a line ('#' starts a comment):
//
//   url = mqtts://broker.lab:8883      station_name = lab-3        prefix = orbek/lab-3
//   user = station                     password = ...              discovery = homeassistant
//   ca_file = /etc/ssl/lab-ca.pem      cert_file = ...             key_file = ...
//   on_event = /usr/local/bin/orbek-notify
//
// A password is used only while the file is its owner's alone.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orbek::telemetry {

struct BrokerUrl {
    bool tls = false;
    std::string host;
    int port = 0;
    // "mqtt://host:1883"
    std::string text() const;
};

// mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (1883 and 8883 by default; an IPv6 address in
// brackets); empty optional with `why` otherwise.
std::optional<BrokerUrl> parseUrl(const std::string& text, std::string* why = nullptr);

// A station name or topic prefix a broker takes: not empty, no '+' or '#' (and no '/' in a
// name); empty when it does, else why not.
std::string badName(const std::string& name, bool prefix);

struct Settings {
    std::optional<BrokerUrl> broker;
    std::string station; // default: the host name
    std::string prefix;  // default: orbek/STATION
    std::string user;
    std::string password;
    std::string caFile;
    std::string certFile;
    std::string keyFile;
    bool discovery = false;
    std::string onEvent;

    bool on() const { return broker || !onEvent.empty(); }
};

struct CommandLine {
    std::optional<std::string> url;
    std::optional<std::string> station;
    std::optional<std::string> onEvent;
};

// The settings from `file` (missing: none) and the command line; each problem one line for the
// event list, beginning "Telemetry: ". A problem that makes the broker unsafe or unreachable (a
// password others may read, a TLS file that cannot be read) leaves the broker out.
Settings loadSettings(const std::filesystem::path& file, const CommandLine& commandLine,
                      const std::string& hostName, std::vector<std::string>& problems);

} // namespace orbek::telemetry
