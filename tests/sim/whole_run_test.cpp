// A whole run of the station against the simulated controller, on virtual time: start to phase
// 4, stop, the cooling wait box and the ready answer, and what --simulate says and keeps.

#include "app/port_selection.hpp"
#include "station_on_sim.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace orbek {
namespace {

// Records what the station writes on the line, passing it on to the controller.
class TappedPort : public sim::SimulatedPort {
  public:
    using SimulatedPort::SimulatedPort;
    std::vector<std::string> orders;
    void write(const std::vector<uint8_t>& bytes) override {
        orders.push_back(std::to_string(bytes[1]) + "," + std::to_string(bytes[2]));
        SimulatedPort::write(bytes);
    }
};

TEST(WholeRun, StartPhasesStopCountdownAndReadyAgainstTheSimulatedController) {
    sim::SimOptions options;
    options.speed = 4;
    options.coolingStepMs = 4000; // the countdown at its real pace: one second a count
    test::StationOnSim<TappedPort> sim(options);
    Scheduler& scheduler = sim.scheduler;
    TappedPort& port = sim.port;
    ScriptedUiHost& ui = sim.ui;
    Station& station = *sim.station;
    StartWindow& w = station.Start();

    sim.startUp("marigold", 100);
    scheduler.advanceBy(4000);
    ASSERT_TRUE(w.Startbouton.visible && w.Startbouton.enabled);
    // A first start on the simulated controller asks for no COM port and keeps status.ini for
    // the first start on the real line; the title names the controller in use.
    const auto status = station.appFile("status.ini");
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(status));
    EXPECT_EQ(w.caption,
              "ORBEK V: 1.14h / BS2p24 - V: x.xxx     Simulated controller is activated   " +
                  station.state.BasePath);

    w.fire("Startbouton");
    scheduler.advanceBy(30000);
    ASSERT_EQ(station.state.LampPhase, 4);
    EXPECT_EQ(station.state.StampVersion, "1.14");
    EXPECT_TRUE(w.Stopbouton.visible);
    EXPECT_FALSE(w.Startbouton.visible);
    EXPECT_NE(w.Label5[4].caption, "0"); // live readings in phase 4
    EXPECT_NE(w.Label5[10].caption, "0");

    ui.reply(MsgAnswer::Ok); // the ready box at the end
    w.fire("Stopbouton");
    scheduler.advanceBy(80000);

    // The orders on the wire: the start until the cycle answered, the stop until confirmed
    // (the frames' order in a run: SimController and scenario whole_run).
    EXPECT_EQ(std::count(port.orders.begin(), port.orders.end(), "255,1"), 1);
    EXPECT_EQ(port.orders.back(), "255,2");

    // The wait box counted the cooling down and closed by itself.
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"Boitestop"});
    EXPECT_FALSE(station.models().Boitestop->loaded());
    EXPECT_TRUE(w.Startbouton.visible && w.Startbouton.enabled);
    EXPECT_FALSE(w.Stopbouton.visible);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].box.title, " Info");
    EXPECT_EQ(ui.boxes()[0].box.text, "Simulated Controller Communication Activated \r\nLP "
                                      "Shutdown Confirmed. \r\nSimulated controller in use.");
    EXPECT_EQ(w.caption,
              "ORBEK V: 1.14h / BS2p24 - V: 1.14     Simulated controller is activated   " +
                  station.state.BasePath);

    // A COM port chosen now is saved for the real line, said so, and the run goes on.
    app::mncom_Click(station, 3);
    EXPECT_EQ(std::filesystem::file_size(status), 3u); // "3" CR LF
    EXPECT_EQ(ui.boxes().back().box.text,
              "Save Confirmed Selections \r\nCOM 3 opens at the next start on the real line "
              "(without --simulate).\r\nThe simulated controller stays in use until then.");
    EXPECT_FALSE(station.ended());
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(w.mncom[3].checked);
}

} // namespace
} // namespace orbek
