// The whole station on the simulated controller, on virtual time, in a temporary folder.
#pragma once

#include "app/startup.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "sim/simulated_port.hpp"
#include "station/assembled_station.hpp"
#include "support/temp_folder.hpp"

#include <memory>
#include <string>

namespace orbek::test {

template <class Port = sim::SimulatedPort> struct StationOnSim {
    TempFolder folder;
    Scheduler scheduler;
    Port port;
    ScriptedUiHost ui{scheduler};
    FixedClock clock;
    std::unique_ptr<Station> station;

    explicit StationOnSim(const sim::SimOptions& options) : port(scheduler, options) {
        Paths paths{folder.path() / "Station", folder.path() / "user"};
        std::filesystem::create_directories(paths.appFolder);
        std::filesystem::create_directories(paths.userFolder);
        station = std::make_unique<AssembledStation>(scheduler, port, ui, clock, paths);
    }
    // The program's start and the access word.
    void startUp(const std::string& word, int64_t settleMs) {
        app::Form_Load(*station);
        scheduler.advanceBy(settleMs);
        station->Start().Text1.caption = word;
        station->Start().fire("OkStart");
    }
};

} // namespace orbek::test
