// orbek-sim: the simulated controller on a pseudo-terminal, for the unmodified station.
#include "cli/arguments.hpp"
#include "sim/options.hpp"
#include "sim/pty_controller.hpp"
#include "sim/scenario.hpp"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    R"(usage: orbek-sim [options]

Runs the simulated ORBEK controller on a pseudo-terminal and prints its device path.

  --base DIR          link DIR/com<N> to the controller, so the station started with
                      --base DIR opens it as COM N
  --port N            the COM number of that link, 1 to 14 (default 2)
  --speed X           the start cycle, the lamp phases, the cooling countdown and the
                      machine's temperatures run X times faster (default 1, at most 1000)
  --scenario FILE     timed faults, one per line: <seconds> <fault> [arguments]
  --fault "T F [A]"   one timed fault written as a scenario line (may be repeated)
  --no-board          the external interface board is absent (232 reads 255)
  --low-supply        the supply voltage sags below the warning level
  --slow MS           every order is answered MS milliseconds late
  --noack CODE        orders with this code are never acknowledged (may be repeated)
  --seed N            seed of the readings' jitter and of the faults' random bytes
  --duration S        end after S seconds (at most a year)
  --verbose           print every order read and every frame sent on standard error
  -h, --help          this text
  -v, --version       the version
)";

std::atomic<bool> stopRequested{false};

extern "C" void onSignal(int) {
    stopRequested.store(true);
}

// Longer runs are not what the simulator is for, and the clock's milliseconds stay exact.
constexpr double kMaxDuration = 365.0 * 24 * 3600;

} // namespace

int main(int argc, char** argv) {
    using orbek::sim::FaultKind;

    orbek::sim::SimOptions options;
    std::string base;
    int port = 2;
    double duration = 0;
    bool verbose = false;

    orbek::cli::Arguments args("orbek-sim", argc, argv);
    while (args.next()) {
        if (args.is("--help") || args.is("-h")) {
            std::cout << kUsage;
            return 0;
        } else if (args.is("--version") || args.is("-v")) {
            std::cout << "orbek-sim " << orbek::cli::kVersion << '\n';
            return 0;
        } else if (args.is("--verbose")) {
            args.noValue();
            verbose = true;
        } else if (args.is("--no-board")) {
            args.noValue();
            options.faults.push_back({0, FaultKind::BoardAbsent});
        } else if (args.is("--low-supply")) {
            args.noValue();
            options.faults.push_back({0, FaultKind::LowSupply});
        } else if (args.is("--base")) {
            base = args.folder().string();
        } else if (args.is("--port")) {
            port = static_cast<int>(args.whole(1, 14, "a number from 1 to 14"));
        } else if (args.is("--speed")) {
            options.speed = args.speed();
        } else if (args.is("--duration")) {
            duration = args.number(0.001, kMaxDuration, "seconds above 0, at most a year");
        } else if (args.is("--seed")) {
            options.seed = static_cast<unsigned>(args.whole(0, 4294967295.0, "a whole number"));
        } else if (args.is("--scenario")) {
            std::string error;
            if (!orbek::sim::loadScenario(args.existingFile(), options.faults, &error))
                args.reject("scenario " + error);
        } else if (args.is("--fault")) {
            const std::string line = args.value();
            std::string error;
            const auto fault = orbek::sim::parseScenarioLine(line, &error);
            if (!fault)
                args.reject("--fault '" + line +
                            "': " + (error.empty() ? std::string("no fault given") : error));
            options.faults.push_back(*fault);
        } else if (args.is("--slow") || args.is("--noack")) {
            const std::string option = args.name();
            std::string error;
            const auto fault =
                orbek::sim::parseFault(option.substr(2) + " " + args.value(), &error);
            if (!fault) args.reject(option + ": " + error);
            options.faults.push_back(*fault);
        } else {
            args.unknown();
        }
    }

#ifdef _WIN32
    (void)port;
    (void)duration;
    (void)verbose;
    std::cerr << "orbek-sim: pseudo-terminals are not available here; use orbek-station "
                 "--simulate\n";
    return 1;
#else
    orbek::sim::PtyController simulator(options);
    std::string error;
    if (!simulator.open(&error)) {
        std::cerr << "orbek-sim: " << error << "\n";
        return 1;
    }
    std::cout << simulator.device() << std::endl;
    if (!base.empty()) {
        if (!simulator.link(base, port, &error)) {
            std::cerr << "orbek-sim: " << error << "\n";
            return 1;
        }
        std::cout << "orbek-sim: linked as " << simulator.linkPath().string() << " (COM " << port
                  << ")" << std::endl;
    }
    std::cout << "orbek-sim: speed x" << options.speed << ", " << options.faults.size()
              << " fault(s) planned; Ctrl+C ends" << std::endl;
    if (verbose)
        simulator.controller().setTrace([](const std::string& line) { std::cerr << line << "\n"; });

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    simulator.run(stopRequested, duration);
    simulator.unlink();
    return 0;
#endif
}
