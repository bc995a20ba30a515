// orbek-sim: the simulated controller on a pseudo-terminal, for the unmodified station.
#include "sim/options.hpp"
#include "sim/pty_controller.hpp"
#include "sim/scenario.hpp"

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    R"(usage: orbek-sim [options]

Runs the simulated ORBEK controller on a pseudo-terminal and prints its device path.

  --base DIR          link DIR/com<N> to the controller, so the station started with
                      --base DIR opens it as COM N
  --port N            the COM number of that link, 1 to 14 (default 2)
  --speed X           the start cycle, the lamp phases, the cooling countdown and the
                      machine's temperatures run X times faster (default 1)
  --scenario FILE     timed faults, one per line: <seconds> <fault> [arguments]
  --fault "T F [A]"   one timed fault written as a scenario line (may be repeated)
  --no-board          the external interface board is absent (232 reads 255)
  --low-supply        the supply voltage sags below the warning level
  --slow MS           every order is answered MS milliseconds late
  --noack CODE        orders with this code are never acknowledged (may be repeated)
  --seed N            seed of the readings' jitter and of the faults' random bytes
  --duration S        end after S seconds
  --verbose           print every order read and every frame sent on standard error
  --help              this text
)";

std::atomic<bool> stopRequested{false};

extern "C" void onSignal(int) {
    stopRequested.store(true);
}

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int usageError(const std::string& message) {
    std::cerr << "orbek-sim: " << message << "\n(orbek-sim --help lists the options)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using orbek::sim::Fault;
    using orbek::sim::FaultKind;

    orbek::sim::SimOptions options;
    std::string base;
    int port = 2;
    double duration = 0;
    bool verbose = false;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)name;
            return std::string(argv[++i]);
        };
        const auto needs = [&](std::string_view name) {
            return usageError(std::string(name) + " needs a value");
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--no-board") {
            options.faults.push_back({0, FaultKind::BoardAbsent});
        } else if (arg == "--low-supply") {
            options.faults.push_back({0, FaultKind::LowSupply});
        } else if (arg == "--base") {
            const auto v = value(arg);
            if (!v || v->empty()) return needs(arg);
            base = *v;
        } else if (arg == "--port") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            const auto n = number(*v);
            if (!n || *n != static_cast<int>(*n) || *n < 1 || *n > 14)
                return usageError("--port takes a number from 1 to 14, not '" + *v + "'");
            port = static_cast<int>(*n);
        } else if (arg == "--speed") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            const auto x = number(*v);
            if (!x || *x <= 0 || *x > 10000)
                return usageError("--speed takes a factor above 0 (up to 10000), not '" + *v + "'");
            options.speed = *x;
        } else if (arg == "--duration") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            const auto x = number(*v);
            if (!x || *x <= 0) return usageError("--duration takes seconds above 0");
            duration = *x;
        } else if (arg == "--seed") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            const auto x = number(*v);
            if (!x || *x < 0 || *x != static_cast<unsigned>(*x))
                return usageError("--seed takes a whole number");
            options.seed = static_cast<unsigned>(*x);
        } else if (arg == "--scenario") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            std::string error;
            if (!orbek::sim::loadScenario(*v, options.faults, &error))
                return usageError("scenario " + error);
        } else if (arg == "--fault") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            std::string error;
            const auto fault = orbek::sim::parseScenarioLine(*v, &error);
            if (!fault)
                return usageError("--fault '" + *v +
                                  "': " + (error.empty() ? std::string("no fault given") : error));
            options.faults.push_back(*fault);
        } else if (arg == "--slow" || arg == "--noack") {
            const auto v = value(arg);
            if (!v) return needs(arg);
            std::string error;
            const auto fault =
                orbek::sim::parseFault((arg == "--slow" ? "slow " : "noack ") + *v, &error);
            if (!fault) return usageError(std::string(arg) + ": " + error);
            options.faults.push_back(*fault);
        } else {
            return usageError("unknown option '" + std::string(arg) + "'");
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
