// The wear counters and the component tests against the simulated controller: a wear burst
// shown in hours, an erase confirmed, and a fan speed test listed while its window is open.

#include "station_on_sim.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace orbek {
namespace {

TEST(MaintenanceAgainstSimulator, WearBurstEraseAndFanSpeedTest) {
    sim::SimOptions options;
    options.speed = 4;
    test::StationOnSim<> run(options);
    Scheduler& scheduler = run.scheduler;
    sim::SimulatedPort& port = run.port;
    ScriptedUiHost& ui = run.ui;
    Station& station = *run.station;
    run.startUp("juniper", 1000);
    ASSERT_TRUE(port.isOpen());
    scheduler.advanceBy(2000);

    // The wear data, as the running lamp's poll asks for them.
    station.Start().fire("mnuusures");
    scheduler.advanceBy(500);
    station.Start().Timer21.start();
    scheduler.advanceBy(3000);
    UsuresWindow& u = *station.models().Usures;
    const auto& wear = options.wear;
    EXPECT_EQ(u.Label15[0].caption, std::to_string(wear[0]));
    EXPECT_EQ(u.Label5[0].caption, std::to_string(wear[0] / 60 + 4 * (wear[1] + 256 * wear[2])));
    EXPECT_FALSE(station.Start().Timer21.enabled());

    // Erasing the magnetron counter: confirmed by the controller, zero in the next burst.
    u.Text1[2].caption = "5823";
    ASSERT_TRUE(u.fire("Activation[2]"));
    scheduler.advanceBy(3000);
    EXPECT_FALSE(u.Timer3.enabled());
    EXPECT_EQ(station.Start().List2.items.back(), "Comfirmation Stamp --> Usures mat.");
    station.Start().Timer21.start();
    scheduler.advanceBy(3000);
    EXPECT_EQ(u.Label5[2].caption, "0");
    EXPECT_EQ(u.Label5[0].caption, std::to_string(wear[0] / 60 + 4 * (wear[1] + 256 * wear[2])));

    // The fan test in its modal window: four results near the catalogue's speeds.
    std::vector<std::string> fans;
    std::vector<std::string> motor;
    ui.onModal = [&](WindowModel& window) {
        ASSERT_TRUE(window.fire("TestSpeedV"));
        scheduler.advanceBy(30000);
        fans = station.models().TestsMV->List4.items.lines();
        motor = station.models().TestsMV->List3.items.lines();
        window.fire("Form_Unload");
    };
    ASSERT_TRUE(station.Start().fire("mnutestscompos"));
    ASSERT_EQ(fans.size(), 4u);
    EXPECT_EQ(motor.size(), 2u);
    const int nominal[] = {1320, 2700, 1380, 2700};
    for (std::size_t k = 0; k < fans.size(); ++k) {
        SCOPED_TRACE(fans[k]);
        const int speed = std::stoi(fans[k].substr(8));
        EXPECT_LE(std::abs(speed - nominal[k]), 180);
    }
}

} // namespace
} // namespace orbek
