// orbek-replay: plays a scenario against the station on virtual time and prints what it did.
#include "app/replay.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void usage() {
    std::cerr << "usage: orbek-replay [--base DIR] [--user DIR] [--echo] SCENARIO\n"
                 "  Plays SCENARIO against the station and prints what it did, each line with\n"
                 "  its virtual time in milliseconds. Without --base the station runs in a\n"
                 "  fresh temporary folder that is removed afterwards.\n";
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The output is compared byte for byte: LF line ends on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    orbek::replay::Options options;
    std::string scenarioFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--base" || arg == "--user") && i + 1 < argc)
            (arg == "--base" ? options.appFolder : options.userFolder) = argv[++i];
        else if (arg == "--echo")
            options.echoFrames = true;
        else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else if (!arg.empty() && arg.front() != '-' && scenarioFile.empty())
            scenarioFile = arg;
        else {
            usage();
            return 2;
        }
    }
    if (scenarioFile.empty()) {
        usage();
        return 2;
    }
    std::ifstream in(scenarioFile, std::ios::binary);
    if (!in) {
        std::cerr << "orbek-replay: cannot read " << scenarioFile << '\n';
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();

    std::filesystem::path temporary;
    if (options.appFolder.empty()) {
        std::random_device random;
        temporary =
            std::filesystem::temp_directory_path() / ("orbek-replay-" + std::to_string(random()));
        options.appFolder = temporary / "Station";
    }
    if (options.userFolder.empty()) options.userFolder = options.appFolder / "user";

    const bool ok = orbek::replay::run(orbek::replay::parse(text.str()), options, std::cout);
    if (!temporary.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(temporary, ec);
    }
    return ok ? 0 : 1;
}
