// The texts the station reads from outside besides the line: configuration files through the
// list-input reader and the lenient numbers (also past the read limit), telemetry.conf and
// broker URLs, the scenarios of orbek-replay and the fault scenarios of the simulated
// controller. Arbitrary bytes never crash them.
#include "core/files.hpp"
#include "core/text.hpp"
#include "replay/replay.hpp"
#include "sim/scenario.hpp"
#include "telemetry/settings.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const auto file = std::filesystem::temp_directory_path() /
                             ("orbek-fuzz-" + std::to_string(::getpid()) + ".ini");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    if (const auto items = orbek::files::readListItems(file))
        for (const auto& item : *items) {
            (void)orbek::leadingNumber(item);
            (void)orbek::strictNumber(item);
            if (item.find_first_of("\r\n") != std::string::npos)
                std::abort(); // an item never spans a line end
        }
    if (const auto lines = orbek::files::readLines(file))
        for (const auto& line : *lines)
            if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    // The same text again and again past the limit of a configuration file: only whole lines
    // within the limit are read.
    if (!text.empty()) {
        std::string big = text;
        while (big.size() <= orbek::files::kConfigLimit)
            big += text;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << big;
        std::string refused;
        const auto lines = orbek::files::readLines(file, orbek::files::kConfigLimit, &refused);
        std::size_t read = 0;
        for (const auto& line : lines.value())
            read += line.size() + 1;
        if (read > orbek::files::kConfigLimit || refused.empty()) std::abort();
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }
    std::vector<std::string> problems;
    const auto settings = orbek::telemetry::loadSettings(file, {}, "host", problems);
    for (const auto& line : problems)
        if (line.rfind("Telemetry: ", 0) != 0) std::abort(); // each problem is told as such
    if (!orbek::telemetry::badName(settings.prefix, true).empty()) std::abort();
    (void)orbek::telemetry::parseUrl(text);
    (void)orbek::replay::parse(text);
    std::vector<orbek::sim::Fault> faults;
    std::string error;
    (void)orbek::sim::parseScenario(*orbek::files::readLines(file), faults, &error);
    return 0;
}
