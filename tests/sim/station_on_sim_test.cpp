// The whole station on the in-process simulated controller, on virtual time: what
// `orbek-station --simulate` shows a newcomer, from the operator's word to ready after a run.
#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "sim/simulated_port.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

TEST(StationOnSimulator, StartsRunsAndStopsTheSimulatedMachine) {
    test::TempFolder folder;
    Scheduler scheduler;
    sim::SimOptions options;
    options.speed = 10;
    sim::SimulatedPort port(scheduler, options);
    ScriptedUiHost ui{scheduler};
    FixedClock clock;
    Paths paths{folder.path() / "Station", folder.path() / "user"};
    std::filesystem::create_directories(paths.appFolder);
    std::filesystem::create_directories(paths.userFolder);
    Station station(scheduler, port, ui, clock, paths);

    app::Form_Load(station);
    scheduler.advanceBy(100);
    station.Start().Text1.caption = "marigold";
    station.Start().fire("OkStart");
    ui.reply(MsgAnswer::Ok);
    scheduler.advanceBy(5000);
    EXPECT_EQ(station.Start().Label7[0].caption, "RS232 Activated...");

    ASSERT_TRUE(station.Start().fire("Startbouton"));
    scheduler.advanceBy(20000);
    EXPECT_EQ(station.state.LampPhase, 4);
    EXPECT_EQ(station.Start().Label22.caption, "Phase 4");
    EXPECT_EQ(port.controller().power(), 80) << "the saved power is sent at phase 4";

    ASSERT_TRUE(station.Start().fire("Stopbouton"));
    scheduler.advanceBy(20000);
    EXPECT_EQ(port.controller().stage(), sim::Stage::Idle);
    EXPECT_TRUE(station.Start().Startbouton.visible && station.Start().Startbouton.enabled);
    bool ready = false;
    for (const auto& b : ui.boxes()) {
        EXPECT_NE(b.box.title, " Error !") << b.box.text;
        ready = ready || b.box.text.find("LP Shutdown Confirmed.") != std::string::npos;
    }
    EXPECT_TRUE(ready);
}

} // namespace
} // namespace orbek
