// orbek-replay: plays a scenario against the station and prints what it did, on virtual time
// or, with --live, through the real program over a pseudo-terminal.
#include "replay/compare.hpp"
#include "replay/recorder.hpp"
#include "replay/replay.hpp"

#ifdef ORBEK_REPLAY_LIVE
#include "replay/live/live_player.hpp"

#include <QApplication>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
    std::cerr << "usage: orbek-replay [--base DIR | --base-from DIR] [--user DIR] [--echo] "
                 "[--live [--speed K]] SCENARIO\n"
                 "  Plays SCENARIO against the station and prints what it did, each line with\n"
                 "  its time in milliseconds. Without --base the station runs in a fresh\n"
                 "  temporary folder that is removed afterwards.\n"
                 "  --live plays it through the real program (Qt, offscreen unless\n"
                 "  QT_QPA_PLATFORM says otherwise) over a pseudo-terminal, K times faster\n"
                 "  than life with --speed K; its times are measured.\n"
                 "  --compare FILE [--tolerance MS] compares the output with a recorded one\n"
                 "  instead of printing it: the same lines, times within MS, the order kept\n"
                 "  but for lines recorded less than MS apart. Exit status 1 when they differ.\n"
                 "  --base-from DIR starts the station from a copy of a recording's saved\n"
                 "  configuration files (FILE.base); the copy is left as it is.\n"
                 "  --check-recording FILE replays a recorded session (from FILE.base when\n"
                 "  there is one) and compares its TX and LIST lines with those the recording\n"
                 "  holds; exit status 1, with the first difference, when they differ.\n";
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The output is compared byte for byte: LF line ends on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    orbek::replay::Options options;
    std::string scenarioFile;
    bool live = false;
    std::string compareWith;
    int64_t tolerance = 0;
    // Session recordings: the saved configuration to start from, and the check of a replay.
    std::filesystem::path baseFrom;
    bool checkRecording = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--base" || arg == "--user") && i + 1 < argc)
            (arg == "--base" ? options.appFolder : options.userFolder) = argv[++i];
        else if (arg == "--echo")
            options.echoFrames = true;
        else if (arg == "--live")
            live = true;
        else if (arg == "--compare" && i + 1 < argc)
            compareWith = argv[++i];
        else if (arg == "--base-from" && i + 1 < argc)
            baseFrom = argv[++i];
        else if (arg == "--check-recording" && i + 1 < argc && scenarioFile.empty()) {
            checkRecording = true;
            scenarioFile = argv[++i];
        } else if (arg == "--tolerance" && i + 1 < argc)
            tolerance = std::atoll(argv[++i]);
        else if (arg == "--speed" && i + 1 < argc) {
            char* end = nullptr;
            options.speed = std::strtod(argv[++i], &end);
            if (!end || *end || !(options.speed > 0 && options.speed <= 1000)) {
                std::cerr << "orbek-replay: --speed needs a number above 0, at most 1000\n";
                return 2;
            }
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else if (!arg.empty() && arg.front() != '-' && scenarioFile.empty())
            scenarioFile = arg;
        else {
            usage();
            return 2;
        }
    }
    if (scenarioFile.empty() || (checkRecording && !compareWith.empty()) ||
        (!baseFrom.empty() && !options.appFolder.empty())) {
        usage();
        return 2;
    }
    if (checkRecording && baseFrom.empty() && std::filesystem::is_directory(scenarioFile + ".base"))
        baseFrom = scenarioFile + ".base";
#ifndef ORBEK_REPLAY_LIVE
    if (live) {
        std::cerr << "orbek-replay: this build has no live player\n";
        return 2;
    }
#endif
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
    options.appFolder = std::filesystem::absolute(options.appFolder);
    options.userFolder = std::filesystem::absolute(options.userFolder);
    if (!baseFrom.empty()) {
        std::string why;
        if (!orbek::replay::loadConfiguration(baseFrom, options.appFolder, options.userFolder,
                                              &why)) {
            std::cerr << "orbek-replay: --base-from: " << why << '\n';
            std::error_code ec;
            if (!temporary.empty()) std::filesystem::remove_all(temporary, ec);
            return 2;
        }
    }
    const auto scenario = orbek::replay::parse(text.str());

    std::string recorded;
    if (checkRecording) recorded = text.str();
    if (!compareWith.empty()) {
        std::ifstream file(compareWith, std::ios::binary);
        if (!file) {
            std::cerr << "orbek-replay: cannot read " << compareWith << '\n';
            return 2;
        }
        std::ostringstream all;
        all << file.rdbuf();
        recorded = all.str();
    }
    // Compared at the end of the run, which the live player may end from anywhere.
    static std::ostringstream captured;
    std::ostream& out = compareWith.empty() && !checkRecording ? std::cout : captured;
    static std::function<int(int)> conclude;
    conclude = [&recorded, &compareWith, tolerance, checkRecording, &scenarioFile](int status) {
        if (checkRecording) {
            const auto result = orbek::replay::compareRecording(recorded, captured.str());
            for (const auto& d : result.differences)
                std::cerr << d << '\n';
            std::cout << "orbek-replay: " << scenarioFile
                      << (result.same ? ": the replay gave the recorded TX and LIST lines\n"
                                      : ": the replay differs from the recording\n");
            return status != 0 ? status : result.same ? 0 : 1;
        }
        if (compareWith.empty()) return status;
        const auto result = orbek::replay::compareOutputs(recorded, captured.str(), tolerance);
        std::cout << captured.str();
        for (const auto& d : result.differences)
            std::cerr << d << '\n';
        if (!result.same)
            std::cerr << "orbek-replay: output differs from " << compareWith << " (tolerance "
                      << tolerance << " ms)\n";
        return status != 0 ? status : result.same ? 0 : 1;
    };

#ifdef ORBEK_REPLAY_LIVE
    if (live) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        return orbek::replay::live::run(scenario, options, out, temporary,
                                        [](int status) { return conclude(status); });
    }
#endif
    const bool ok = orbek::replay::run(scenario, options, out);
    if (!temporary.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(temporary, ec);
    }
    return conclude(ok ? 0 : 1);
}
