// A whole station on virtual time: fake serial port, scripted UI host, fixed clock and a
// temporary application folder. Tests deliver controller text and read what the station did.
#pragma once

#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "support/fake_port.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace orbek::test {

struct StationFixture : ::testing::Test {
    TempFolder folder;
    Scheduler scheduler;
    FakePort port{scheduler};
    ScriptedUiHost ui{scheduler};
    FixedClock clock;
    std::unique_ptr<Station> station;

    StationFixture() { rebuild(); }

    // A new station on the same folder, as after a restart of the program.
    void rebuild() {
        station.reset();
        Paths paths{folder.path() / "Station", folder.path() / "user"};
        std::filesystem::create_directories(paths.appFolder);
        std::filesystem::create_directories(paths.userFolder);
        station = std::make_unique<Station>(scheduler, port, ui, clock, paths);
    }

    Station& s() { return *station; }
    StationState& st() { return station->state; }
    StartWindow& start() { return station->Start(); }
    const std::vector<std::string>& events() { return station->Start().List2.items; }
};

} // namespace orbek::test
