// orbek-replay: plays a scenario against the station and prints what it did, on virtual time
// or, with --live, through the real program over a pseudo-terminal.
#include "cli/arguments.hpp"
#include "replay/compare.hpp"
#include "replay/recorder.hpp"
#include "replay/replay.hpp"
#include "telemetry/settings.hpp"

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

constexpr const char* kUsage =
    R"(usage: orbek-replay [options] SCENARIO

Plays SCENARIO against the station and prints what it did, each line with its time in
milliseconds.

  --base DIR          the station's application folder (default: a fresh temporary folder,
                      removed afterwards)
  --user DIR          the folder of the user files (default: DIR/user)
  --echo              also print the text the controller sends
  --live              play it through the real program (Qt, offscreen unless QT_QPA_PLATFORM
                      says otherwise) over a pseudo-terminal; its times are measured
  --speed K           with --live: K times faster than life (above 0, at most 1000)
  --mqtt URL          with --live: telemetry (a scenario's 'telemetry on') goes to the MQTT
                      broker at URL as well as into the output
  --compare FILE      compare the output with a recorded one instead of printing it: the
                      same lines, times within the tolerance, the order kept but for lines
                      recorded less than the tolerance apart; exit status 1 when they differ
  --tolerance MS      the tolerance of --compare in milliseconds (default 0)
  --base-from DIR     start the station from a copy of a recorded session's saved
                      configuration files (FILE.base); the copy is left as it is
  --check-recording FILE
                      replay a recorded session (from FILE.base when there is one) and
                      compare its TX and LIST lines with those the recording holds; exit
                      status 1, with the first difference, when they differ
  -h, --help          this text
  -v, --version       the version
)";

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The output is compared byte for byte: LF line ends on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    orbek::replay::Options options;
    std::string scenarioFile;
    bool live = false;
    bool speedGiven = false;
    std::string compareWith;
    int64_t tolerance = 0;
    // Session recordings: the saved configuration to start from, and the check of a replay.
    std::filesystem::path baseFrom;
    bool checkRecording = false;
    orbek::cli::Arguments args("orbek-replay", argc, argv);
    while (args.next()) {
        if (args.is("-h") || args.is("--help")) {
            std::cout << kUsage;
            return 0;
        } else if (args.is("-v") || args.is("--version")) {
            std::cout << "orbek-replay " << orbek::cli::kVersion << '\n';
            return 0;
        } else if (args.is("--base")) {
            options.appFolder = args.folder();
        } else if (args.is("--user")) {
            options.userFolder = args.folder();
        } else if (args.is("--echo")) {
            args.noValue();
            options.echoFrames = true;
        } else if (args.is("--live")) {
            args.noValue();
            live = true;
        } else if (args.is("--speed")) {
            options.speed = args.speed();
            speedGiven = true;
        } else if (args.is("--mqtt")) {
            options.mqtt = args.value();
            std::string why;
            if (!orbek::telemetry::parseUrl(options.mqtt, &why)) args.reject("--mqtt: " + why);
        } else if (args.is("--compare")) {
            compareWith = args.existingFile().string();
        } else if (args.is("--base-from")) {
            baseFrom = args.folder();
        } else if (args.is("--check-recording")) {
            if (!scenarioFile.empty()) args.reject("--check-recording takes the only scenario");
            checkRecording = true;
            scenarioFile = args.existingFile().string();
        } else if (args.is("--tolerance")) {
            tolerance = static_cast<int64_t>(args.whole(0, 3600000, "milliseconds, 0 to 3600000"));
        } else if (!args.isOption() && scenarioFile.empty()) {
            scenarioFile = args.existingFile("the scenario", args.name()).string();
        } else {
            args.unknown();
        }
    }
    if (scenarioFile.empty()) args.reject("no scenario given (orbek-replay --help shows how)");
    if (speedGiven && !live) args.reject("--speed needs --live");
    if (!options.mqtt.empty() && !live) args.reject("--mqtt needs --live");
    if (checkRecording && !compareWith.empty())
        args.reject("--check-recording compares by itself: no --compare with it");
    if (!baseFrom.empty() && !options.appFolder.empty())
        args.reject("--base-from and --base do not go together");
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
    for (const auto& folder : {options.appFolder, options.userFolder}) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) args.reject("cannot make the folder " + folder.string() + ": " + ec.message());
    }
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
