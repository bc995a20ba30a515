#include "telemetry/settings.hpp"

#include "core/files.hpp"
#include "core/paths.hpp"

#include <cstdlib>
#include <fstream>
#include <map>

namespace orbek::telemetry {

namespace {

constexpr std::uintmax_t kLargestFile = 64 * 1024;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Why a file the broker connection needs cannot be used; empty when it can.
std::string unreadable(const std::string& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(pathFromText(file), ec);
    if (ec || !std::filesystem::exists(status)) return "no such file";
    if (!std::filesystem::is_regular_file(status)) return "not a file";
    if (!std::ifstream(pathFromText(file), std::ios::binary)) return "cannot be read";
    return {};
}

} // namespace

std::string BrokerUrl::text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(tls ? "mqtts://" : "mqtt://") + (v6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

std::optional<BrokerUrl> parseUrl(const std::string& text, std::string* why) {
    const auto fail = [&](const std::string& reason) -> std::optional<BrokerUrl> {
        if (why) *why = reason;
        return std::nullopt;
    };
    BrokerUrl url;
    std::string rest;
    if (text.rfind("mqtt://", 0) == 0) {
        rest = text.substr(7);
    } else if (text.rfind("mqtts://", 0) == 0) {
        url.tls = true;
        rest = text.substr(8);
    } else {
        return fail("'" + text + "' is no mqtt:// or mqtts:// URL");
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.find_first_of("/?#@ \t") != std::string::npos)
        return fail("'" + text + "': only a host and a port (user and password go in " +
                    "telemetry.conf)");
    std::string port;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string::npos) return fail("'" + text + "': no ']' after the address");
        url.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') return fail("'" + text + "': ':' expected after ']'");
            port = rest.substr(close + 2);
        }
    } else {
        const auto colon = rest.find(':');
        url.host = rest.substr(0, colon);
        if (colon != std::string::npos) port = rest.substr(colon + 1);
        if (url.host.find(':') != std::string::npos)
            return fail("'" + text + "': an IPv6 address goes in brackets");
    }
    if (url.host.empty()) return fail("'" + text + "' names no host");
    url.port = url.tls ? 8883 : 1883;
    if (!port.empty() || (rest.size() > 0 && rest.back() == ':')) {
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos ||
            std::atoi(port.c_str()) < 1 || std::atoi(port.c_str()) > 65535)
            return fail("'" + text + "': the port is a number from 1 to 65535");
        url.port = std::atoi(port.c_str());
    }
    return url;
}

std::string badName(const std::string& name, bool prefix) {
    if (name.empty()) return "is empty";
    if (name.find_first_of(prefix ? "+#" : "+#/") != std::string::npos)
        return prefix ? "holds '+' or '#'" : "holds '+', '#' or '/'";
    if (name.find('\0') != std::string::npos || name.size() > 200) return "is no usable name";
    if (prefix && (name.front() == '/' || name.back() == '/')) return "begins or ends with '/'";
    return {};
}

Settings loadSettings(const std::filesystem::path& file, const CommandLine& commandLine,
                      const std::string& hostName, std::vector<std::string>& problems) {
    Settings s;
    const std::string name = pathText(file.filename());
    const auto tell = [&](const std::string& line) { problems.push_back("Telemetry: " + line); };
    std::map<std::string, std::string> values;
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!ec && std::filesystem::exists(status)) {
        const auto size = std::filesystem::file_size(file, ec);
        const auto lines = std::filesystem::is_regular_file(status) && !ec && size <= kLargestFile
                               ? files::readLines(file)
                               : std::nullopt;
        if (!lines) tell(name + " could not be read (not a file, too large or not readable)");
        static const char* const kKeys[] = {"url",       "station_name", "prefix",    "user",
                                            "password",  "ca_file",      "cert_file", "key_file",
                                            "discovery", "on_event"};
        int number = 0;
        for (const std::string& raw : lines.value_or(std::vector<std::string>{})) {
            ++number;
            const std::string line = trimmed(raw);
            if (line.empty() || line.front() == '#') continue;
            const auto eq = line.find('=');
            const std::string where = name + " line " + std::to_string(number) + ": ";
            if (eq == std::string::npos) {
                tell(where + "no 'key = value'");
                continue;
            }
            const std::string key = trimmed(line.substr(0, eq));
            bool known = false;
            for (const char* k : kKeys)
                known = known || key == k;
            if (!known) {
                tell(where + "unknown key '" + key + "'");
                continue;
            }
            values[key] = trimmed(line.substr(eq + 1));
        }
    }
    const auto value = [&](const char* key) {
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };

    std::string why;
    std::string url = commandLine.url.value_or(value("url"));
    if (!url.empty()) {
        s.broker = parseUrl(url, &why);
        if (!s.broker) tell(name + ": url " + why);
    }
    s.station = commandLine.station.value_or(value("station_name"));
    if (s.station.empty()) {
        for (char c : hostName)
            s.station += c == '+' || c == '#' || c == '/' ? '_' : c;
        if (s.station.empty()) s.station = "station";
    } else if (const std::string bad = badName(s.station, false); !bad.empty()) {
        tell(name + ": station_name " + bad + "; the host name is used");
        s.station = hostName.empty() ? "station" : hostName;
    }
    s.prefix = value("prefix");
    if (const std::string bad = badName(s.prefix, true); !s.prefix.empty() && !bad.empty()) {
        tell(name + ": prefix " + bad + "; orbek/" + s.station + " is used");
        s.prefix.clear();
    }
    if (s.prefix.empty()) s.prefix = "orbek/" + s.station;
    s.user = value("user");
    s.password = value("password");
    const std::string discovery = value("discovery");
    s.discovery = discovery == "homeassistant";
    if (!discovery.empty() && discovery != "homeassistant" && discovery != "none")
        tell(name + ": discovery is 'homeassistant' or 'none', not '" + discovery + "'");
    s.onEvent = commandLine.onEvent.value_or(value("on_event"));
    s.caFile = value("ca_file");
    s.certFile = value("cert_file");
    s.keyFile = value("key_file");
    if (!s.broker) return s;

    const std::string broker = s.broker->text();
    if (!s.password.empty() && files::openToOthers(file)) {
        tell(name + " holds a password but others may read it (chmod 600 " + pathText(file) +
             "): no telemetry to " + broker);
        s.broker.reset();
        return s;
    }
    if (!s.password.empty() && s.user.empty()) tell(name + ": a password without a user");
    for (const auto& [key, path] :
         {std::pair{"ca_file", s.caFile}, std::pair{"cert_file", s.certFile},
          std::pair{"key_file", s.keyFile}}) {
        if (path.empty()) continue;
        if (const std::string bad = unreadable(path); !bad.empty()) {
            tell(std::string(key) + " " + path + ": " + bad + ": no telemetry to " + broker);
            s.broker.reset();
            return s;
        }
    }
    if (s.certFile.empty() != s.keyFile.empty()) {
        tell(name + ": cert_file and key_file go together: no telemetry to " + broker);
        s.broker.reset();
        return s;
    }
    if (!s.broker->tls && (!s.caFile.empty() || !s.certFile.empty()))
        tell(name + ": ca_file, cert_file and key_file are for mqtts:// only");
    if (!s.broker->tls && !s.password.empty())
        tell("warning: the password goes unencrypted to " + broker + " (mqtts:// keeps it secret)");
    return s;
}

} // namespace orbek::telemetry
