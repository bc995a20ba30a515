// A whole run of the station against the simulated controller, on virtual time: the orders on
// the wire, the phases the operator sees, the event list, the cooling countdown in the wait box.

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

std::vector<std::string> withoutRepeats(const std::vector<std::string>& items) {
    std::vector<std::string> out;
    for (const auto& i : items)
        if (out.empty() || out.back() != i) out.push_back(i);
    return out;
}

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

    // What the operator sees, sampled every 100 ms.
    std::vector<std::string> phases;
    std::vector<std::string> countdown;
    Timer probe(scheduler, "probe", 100, [&] {
        phases.push_back(w.Label22.caption);
        if (station.models().Boitestop->shown())
            countdown.push_back(station.models().Boitestop->Label2.caption);
    });
    probe.start();

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

    EXPECT_EQ(withoutRepeats(phases),
              (std::vector<std::string>{"-----", "Phase 0", "Phase 1", "Phase 2", "Phase 3",
                                        "Phase 4", "STOP"}));
    // The orders on the wire: the start until the cycle answered, the saved power until
    // acknowledged, the stop until confirmed; nothing after the ready answer.
    // Start also reads the machine parameters (243,1 until the first reply).
    auto run = port.orders;
    run.erase(std::remove(run.begin(), run.end(), "243,1"), run.end());
    const auto orders = withoutRepeats(run);
    ASSERT_GE(orders.size(), 3u);
    EXPECT_EQ(orders.front(), "255,1");
    EXPECT_NE(std::find(orders.begin(), orders.end(), "237,80"), orders.end());
    EXPECT_EQ(orders.back(), "255,2");
    EXPECT_EQ(std::count(port.orders.begin(), port.orders.end(), "255,1"), 1);

    // The event list tells the run in order.
    const auto& events = w.List2.items;
    const auto at = [&](const std::string& line) -> std::ptrdiff_t {
        return std::find(events.begin(), events.end(), line) - events.begin();
    };
    const auto start = at(" PC --> Stamp      START");
    const auto cycle = at(" Stamp --> PC      000    253    001    S");
    const auto phase4 = at(" Stamp --> PC      000    253    022    S");
    const auto power = at(" PC --> Stamp     800 Watts");
    const auto stop = at(" PC --> Stamp      STOP");
    const auto shutdown = at(" Stamp --> PC      000    254    002    S");
    const auto ready = at(" Stamp --> PC      000    254    000    S");
    const auto size = static_cast<std::ptrdiff_t>(events.size());
    for (auto i : {start, cycle, phase4, power, stop, shutdown, ready})
        ASSERT_LT(i, size);
    EXPECT_TRUE(start < cycle && cycle < phase4 && phase4 < power && power < stop &&
                stop < shutdown && shutdown < ready);

    // The wait box counted the cooling down from the cooling frames and closed at 0.
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"Boitestop"});
    ASSERT_FALSE(countdown.empty());
    EXPECT_EQ(countdown.back(), "1");
    EXPECT_NE(std::find(countdown.begin(), countdown.end(), "30"), countdown.end());
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
