#include "sim/scenario.hpp"

#include "core/files.hpp"

#include <charconv>
#include <cmath>

namespace orbek::sim {

namespace {

struct Name {
    const char* text;
    FaultKind kind;
};

constexpr Name kNames[] = {
    {"silence", FaultKind::Silence},
    {"noise", FaultKind::Noise},
    {"drop", FaultKind::DropByte},
    {"add", FaultKind::AddByte},
    {"marker", FaultKind::WrongMarker},
    {"noack", FaultKind::NoAck},
    {"magnetron-hot", FaultKind::MagnetronHot},
    {"magnetron-ok", FaultKind::MagnetronOk},
    {"holder-hot", FaultKind::HolderHot},
    {"holder-ok", FaultKind::HolderOk},
    {"no-board", FaultKind::BoardAbsent},
    {"board", FaultKind::BoardPresent},
    {"low-supply", FaultKind::LowSupply},
    {"supply-ok", FaultKind::SupplyOk},
    {"slow", FaultKind::Slow},
};

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
            ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

std::optional<double> number(std::string_view word) {
    double value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> whole(std::string_view word) {
    int value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

bool fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

} // namespace

std::string faultName(FaultKind kind) {
    for (const auto& name : kNames)
        if (name.kind == kind) return name.text;
    return "?";
}

std::optional<Fault> parseFault(std::string_view text, std::string* error) {
    const auto w = words(text);
    if (w.empty()) {
        fail(error, "no fault named");
        return std::nullopt;
    }
    Fault fault;
    bool known = false;
    for (const auto& name : kNames)
        if (w[0] == name.text) {
            fault.kind = name.kind;
            known = true;
        }
    if (!known) {
        fail(error, "unknown fault '" + std::string(w[0]) + "'");
        return std::nullopt;
    }
    const std::string what(w[0]);
    const auto args = w.size() - 1;
    const auto arity = [&](std::size_t least, std::size_t most, const char* usage) {
        if (args >= least && args <= most) return true;
        return fail(error, "'" + what + "' takes " + usage);
    };
    switch (fault.kind) {
    case FaultKind::Silence: {
        if (!arity(1, 1, "the seconds of silence")) return std::nullopt;
        const auto s = number(w[1]);
        if (!s || *s <= 0 || *s > 86400) {
            fail(error, "silence needs a number of seconds above 0");
            return std::nullopt;
        }
        fault.seconds = *s;
        break;
    }
    case FaultKind::Noise: {
        if (!arity(0, 1, "at most a byte count")) return std::nullopt;
        fault.amount = 8;
        if (args == 1) {
            const auto n = whole(w[1]);
            if (!n || *n < 1 || *n > 4096) {
                fail(error, "noise needs a byte count from 1 to 4096");
                return std::nullopt;
            }
            fault.amount = *n;
        }
        break;
    }
    case FaultKind::WrongMarker:
        if (!arity(0, 1, "at most one marker character")) return std::nullopt;
        if (args == 1) {
            if (w[1].size() != 1 || w[1][0] == 'S') {
                fail(error, "marker needs one character other than S");
                return std::nullopt;
            }
            fault.marker = w[1][0];
        }
        break;
    case FaultKind::NoAck: {
        if (!arity(1, 2, "an order code and an optional number of seconds")) return std::nullopt;
        const auto code = whole(w[1]);
        if (!code || *code < 0 || *code > 255) {
            fail(error, "noack needs an order code from 0 to 255");
            return std::nullopt;
        }
        fault.amount = *code;
        if (args == 2) {
            const auto s = number(w[2]);
            if (!s || *s <= 0) {
                fail(error, "noack needs a number of seconds above 0");
                return std::nullopt;
            }
            fault.seconds = *s;
        }
        break;
    }
    case FaultKind::Slow: {
        if (!arity(1, 1, "the delay in milliseconds")) return std::nullopt;
        const auto ms = whole(w[1]);
        if (!ms || *ms < 0 || *ms > 60000) {
            fail(error, "slow needs a delay from 0 to 60000 ms");
            return std::nullopt;
        }
        fault.amount = *ms;
        break;
    }
    default:
        if (!arity(0, 0, "no argument")) return std::nullopt;
        break;
    }
    return fault;
}

std::optional<Fault> parseScenarioLine(std::string_view line, std::string* error) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    const auto w = words(line);
    if (w.empty()) {
        if (error) error->clear();
        return std::nullopt;
    }
    const auto at = number(w[0]);
    if (!at || *at < 0) {
        fail(error, "a line starts with the time in seconds, not '" + std::string(w[0]) + "'");
        return std::nullopt;
    }
    const auto rest =
        line.substr(static_cast<std::size_t>(w[0].data() - line.data()) + w[0].size());
    auto fault = parseFault(rest, error);
    if (fault) fault->atSeconds = *at;
    return fault;
}

bool parseScenario(const std::vector<std::string>& lines, std::vector<Fault>& faults,
                   std::string* error) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string why;
        const auto fault = parseScenarioLine(lines[i], &why);
        if (fault)
            faults.push_back(*fault);
        else if (!why.empty())
            return fail(error, "line " + std::to_string(i + 1) + ": " + why);
    }
    return true;
}

bool loadScenario(const std::filesystem::path& file, std::vector<Fault>& faults,
                  std::string* error) {
    std::string refused;
    const auto lines = files::readLines(file, files::kTextLimit, &refused);
    if (!lines)
        return fail(error, file.string() + (refused.empty() ? ": cannot be read" : " " + refused));
    std::string why;
    if (!parseScenario(*lines, faults, &why)) return fail(error, file.string() + ": " + why);
    return true;
}

} // namespace orbek::sim
