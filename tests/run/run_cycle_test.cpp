// The run cycle on virtual time: start request, stop, automatic stop, phases, adoption of a
// running machine, the ready state and the restore of a run after a restart of the station (a
// start with the port closed and another machine's frames: scenarios start_port_closed and
// other_machine).
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct RunCycle : test::StationFixture {
    RunCycle() {
        startUp("marigold");
        ui.reply(MsgAnswer::Ok);
    }
    void click(const std::string& control) { ASSERT_TRUE(start().fire(control)) << control; }
    void rx(int code, int value) { port.deliverFrame(code, value); }
    // The orders sent since the last call; the parameter read that Start begins is left out.
    std::vector<std::string> sent() { return StationFixture::sent({243}); }
    std::string nsLine(std::size_t n) { return files::readLines(s().appFile("NS.ini"))->at(n); }
    bool supplyRowsShown() {
        StartWindow& w = start();
        return w.Label5[3].visible && w.Label5[2].visible && w.Label9.visible && w.Label4.visible &&
               w.Label13[3].visible && w.Label23.visible && w.Label13[2].visible &&
               w.Label21.visible;
    }
    // How many of the fourteen port entries can be chosen.
    int portEntriesEnabled() {
        int n = 0;
        for (int i = 1; i <= 14; ++i)
            n += start().mncom[i].enabled ? 1 : 0;
        return n;
    }
    void reachPhase4() {
        click("Startbouton");
        rx(253, 1);
        for (int p = 1; p <= 4; ++p)
            rx(238, p);
    }
};

TEST_F(RunCycle, AStartNeverAnsweredGivesUpWithTheMessageTheMagnetronCalls) {
    // The six requests and the failure shown, and the same with the port closed: scenario
    // failed_start.
    click("Startbouton");
    EXPECT_EQ(nsLine(1), "1");
    EXPECT_EQ(portEntriesEnabled(), 0);
    scheduler.advanceBy(12000);
    // Nothing known of the magnetron: still too hot to restart, so the Start button returns.
    EXPECT_EQ(ui.boxes().back().box.text,
              "No communication with machine ! \r\n                         Or\r\n"
              "Magnetron Temperature too high ! \r\nCooling down, please wait... ");
    EXPECT_TRUE(start().Startbouton.enabled);
    scheduler.advanceBy(10000);
    EXPECT_EQ(sent(), std::vector<std::string>(6, "255,1"));

    // A cool magnetron: the plain message, and the button stays as it was.
    st().Readings[17] = 60;
    st().Readings[7] = 30;
    click("Startbouton");
    scheduler.advanceBy(12000);
    EXPECT_EQ(ui.boxes().back().box.text, "No Communication with Machine ! ");
    EXPECT_FALSE(start().Startbouton.enabled);
}

TEST_F(RunCycle, AfterTheReadyReportThePortMenuIsFreeAndTheListCheckEnded) {
    // The stop and the ready report themselves: scenario stop_during_start.
    click("Startbouton");
    click("Stopbouton");
    rx(254, 2);
    rx(254, 0);
    EXPECT_EQ(st().RunInProgress, 0);
    EXPECT_EQ(portEntriesEnabled(), 14);
    // The list check ended with the Stop: no question however long the list grows.
    const std::size_t boxes = ui.boxes().size();
    for (int i = 0; i < 40000; ++i)
        start().List2.items.push_back("");
    scheduler.advanceBy(120000);
    EXPECT_EQ(ui.boxes().size(), boxes);
}

TEST_F(RunCycle, TheAutomaticStopKeepsTheStartButtonAndTheSupplyRows) {
    click("Startbouton");
    const bool startShown = start().Startbouton.visible;
    start().Timer8.start();
    start().Timer19.start();
    start().Timer18.start();
    scheduler.advanceBy(3000);
    EXPECT_EQ(lastEvent(), " PC --> Stamp      STOP");
    EXPECT_EQ(st().LampPhase, 0);
    EXPECT_EQ(start().Startbouton.visible, startShown);
    EXPECT_TRUE(supplyRowsShown());
    EXPECT_EQ(s().Usures().Label4.backColour, 0x808080u);
    EXPECT_EQ(nsLine(1), "0");
    for (Timer* t : {&start().Timer8, &start().Timer9, &start().Timer14, &start().Timer17,
                     &start().Timer18, &start().Timer19, &start().Timer1})
        EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(start().Timer2.enabled());
}

TEST_F(RunCycle, TheRestoreSendsOnlyAPowerTheSliderCanTake) {
    // The slider stands at 80 when the phases begin; a saved power it cannot take leaves it.
    const struct {
        const char* saved; // empty: no file
        int power;
    } cases[] = {{"300", 80}, {"80.5", 80}, {"12", 80}, {"", 80}, {"100", 100}};
    const auto file = s().appFile("LevelPW.ini");
    for (const auto& c : cases) {
        if (*c.saved)
            ASSERT_TRUE(files::writeLines(file, {c.saved}));
        else
            std::filesystem::remove(file);
        const std::size_t told = eventsWith("File LevelPW.ini");
        reachPhase4();
        rx(251, 40);
        scheduler.advanceBy(1000);
        EXPECT_EQ(sent(), std::vector<std::string>{"237," + std::to_string(c.power)}) << c.saved;
        EXPECT_EQ(start().Label56.caption,
                  " Set Power = " + std::to_string(c.power * 10) + " Watts");
        EXPECT_EQ(eventsWith("File LevelPW.ini"), told + (c.power == 80 ? 1 : 0)) << c.saved;
        rx(236, 1);
        click("Stopbouton");
        rx(254, 2);
        rx(254, 0);
        sent();
    }
}

TEST_F(RunCycle, AMachineFoundRunningIsAdoptedOnceAndItsRunRestored) {
    // The station restarts while the machine runs a started run with the lamps on.
    ASSERT_TRUE(files::writeLines(s().appFile("NS.ini"), {"1.14", "1", "1", "0"}));
    ASSERT_TRUE(files::writeLines(s().appFile("LevelPW.ini"), {"95"}));
    ASSERT_TRUE(files::writeLines(s().appFile("LevLgGraph.ini"), {" 30 ", " 90 "}));
    rx(226, 40);
    EXPECT_EQ(st().LampPhase, 4);
    EXPECT_EQ(start().Label22.caption, "Phase 4");
    EXPECT_TRUE(start().Stopbouton.visible);
    EXPECT_FALSE(start().Startbouton.visible);
    EXPECT_EQ(st().PlotLevel1, 30);
    EXPECT_EQ(st().PlotLevel2, 90);
    EXPECT_EQ(start().VScroll1[5].value, 95);
    EXPECT_EQ(st().RunInProgress, 1);

    // The next frame restores the run state of NS.ini.
    rx(249, 10);
    EXPECT_EQ(st().StateRestored, 1);
    EXPECT_EQ(portEntriesEnabled(), 0);
    EXPECT_FALSE(start().mnutestscompos.enabled);
    EXPECT_EQ(st().HalogenCommand, 1);
    EXPECT_TRUE(start().StopHalogen.visible);
    EXPECT_EQ(start().StartHalogen.backColour, 0x00FF00u);
    EXPECT_EQ(st().StampVersion, "1.14");
    EXPECT_NE(start().caption->find("h / BS2p24 - V: 1.14     Port RS232"), std::string::npos);
    EXPECT_EQ(start().Label56.caption, " Set Power = 950 Watts");
    EXPECT_EQ(start().Label8.caption, "950 ");
    EXPECT_EQ(start().Label8.top, 10170 - 33 * 95);
    EXPECT_EQ(lastEvent(), " PC --> Stamp     950 Watts");
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), std::vector<std::string>{"237,95"});

    // A second sample-holder frame adopts nothing again.
    start().Label22.caption = "checked";
    rx(226, 41);
    EXPECT_EQ(start().Label22.caption, "checked");
    EXPECT_EQ(start().Label5[10].caption, "41°C");
}

TEST_F(RunCycle, WithoutARecordedRunTheAdoptedMachineLeavesThePortMenuFree) {
    rx(226, 40);
    rx(249, 10);
    EXPECT_EQ(portEntriesEnabled(), 14);
    EXPECT_EQ(st().HalogenCommand, 0);
    EXPECT_FALSE(start().StopHalogen.enabled);
}

} // namespace
} // namespace orbek
