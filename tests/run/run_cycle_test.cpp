// The run cycle on virtual time: start request, stop, automatic stop, phases, adoption of a
// running machine, the ready state and the restore of a run after a restart of the station.
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

TEST_F(RunCycle, TheStartRequestRepeatsEveryTwoSecondsAndGivesUpAfterTheSixth) {
    const std::size_t boxesBefore = ui.boxes().size();
    click("Startbouton");
    EXPECT_EQ(events().back(), " PC --> Stamp      START");
    EXPECT_EQ(start().Label22.caption, "Phase 0");
    EXPECT_FALSE(start().Startbouton.enabled);
    EXPECT_EQ(nsLine(1), "1");
    EXPECT_EQ(portEntriesEnabled(), 0);

    scheduler.advanceBy(11999);
    EXPECT_EQ(sent(), std::vector<std::string>(5, "255,1"));
    EXPECT_EQ(start().Label7[0].backColour, 0x80FF80u);
    scheduler.advanceBy(1); // the sixth request, 12 s after Start, gives up
    EXPECT_EQ(sent(), std::vector<std::string>{"255,1"});
    EXPECT_EQ(start().Label7[0].caption, "Error...");
    EXPECT_EQ(start().Label7[0].backColour, 0x0000FFu);
    EXPECT_EQ(events().back(), "No communication with machine !");
    ASSERT_EQ(ui.boxes().size(), boxesBefore + 1);
    // Nothing known of the magnetron: still too hot to restart, so the Start button returns.
    EXPECT_EQ(ui.boxes().back().box.text,
              "No communication with machine ! \r\n                         Or\r\n"
              "Magnetron Temperature too high ! \r\nCooling down, please wait... ");
    EXPECT_TRUE(start().Startbouton.enabled);
    scheduler.advanceBy(10000);
    EXPECT_TRUE(sent().empty());

    // A cool magnetron: the plain message, and the button stays as it was.
    st().Readings[17] = 60;
    st().Readings[7] = 30;
    click("Startbouton");
    scheduler.advanceBy(12000);
    EXPECT_EQ(ui.boxes().back().box.text, "No Communication with Machine ! ");
    EXPECT_FALSE(start().Startbouton.enabled);
}

TEST_F(RunCycle, WithThePortClosedStartSendsNothingAndStillGivesUp) {
    port.close();
    click("Startbouton");
    EXPECT_EQ(events().back(), " PC --> Stamp      START");
    EXPECT_EQ(start().Label22.caption, "Phase 0");
    scheduler.advanceBy(12000);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(events().back(), "No communication with machine !");
    EXPECT_FALSE(start().Timer1.enabled());
}

TEST_F(RunCycle, ACycleFrameEndsTheStartRequestEvenBeforeTheFirstTick) {
    rx(253, 3); // the controller was already running its cycle
    click("Startbouton");
    scheduler.advanceBy(2000);
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(start().Timer1.enabled());

    // The usual way: requests until the controller answers with a cycle step.
    rx(254, 5);
    click("Startbouton");
    scheduler.advanceBy(4000);
    rx(253, 1);
    EXPECT_TRUE(start().Stopbouton.visible);
    scheduler.advanceBy(10000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"255,1", "255,1"}));

    // A reading between the cycle step and the next tick does not make the start look unheard.
    rx(254, 0);
    click("Startbouton");
    scheduler.advanceBy(2000);
    rx(253, 1);
    rx(251, 40);
    scheduler.advanceBy(20000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"255,1"}));
    EXPECT_NE(start().Label7[0].caption, "Error...");
}

TEST_F(RunCycle, StopDuringTheStartRequestSendsOnlyTheStopOrderUntilConfirmed) {
    click("Startbouton");
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), std::vector<std::string>{"255,1"});
    click("Stopbouton");
    EXPECT_EQ(events().back(), " PC --> Stamp      STOP");
    EXPECT_EQ(start().Label22.caption, "STOP");
    EXPECT_FALSE(start().Startbouton.visible);
    EXPECT_FALSE(supplyRowsShown());
    EXPECT_EQ(nsLine(1), "0");
    EXPECT_EQ(s().Usures().Label4.backColour, 0xFF8080u);
    scheduler.advanceBy(3000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"255,2", "255,2", "255,2"}));
    rx(254, 2);
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent().empty());
    // Only the ready report brings the Start button back, after its box.
    EXPECT_FALSE(start().Startbouton.visible);
    ui.reply(MsgAnswer::Ok);
    rx(254, 0);
    EXPECT_TRUE(start().Startbouton.visible);
    EXPECT_TRUE(start().Startbouton.enabled);
    EXPECT_FALSE(start().Stopbouton.visible);
    EXPECT_EQ(box(),
              " Info|RS232 Communication Activated \r\nLP Shutdown Confirmed. \r\nCOM 2 Open.");
    EXPECT_EQ(st().RunInProgress, 0);
    EXPECT_EQ(portEntriesEnabled(), 14);
    // The list check ended with the Stop: no question however long the list grows.
    for (int i = 0; i < 40000; ++i)
        start().List2.items.push_back("");
    scheduler.advanceBy(120000);
    EXPECT_EQ(ui.boxes().back().box.title, " Info");
}

TEST_F(RunCycle, PhasesFollowTheControllerAndOtherValuesOnlyMarkThePlot) {
    click("Startbouton");
    rx(253, 1);
    rx(238, 1);
    EXPECT_EQ(start().Label22.caption, "Phase 1");
    rx(238, 7);
    EXPECT_EQ(st().LampPhase, 1);
    EXPECT_EQ(start().Label22.caption, "Phase 1");
    const int x = st().PlotX;
    EXPECT_EQ(start().Picture5Canvas.pixel(x, 5), (Rgb{255, 255, 0}));
    rx(238, 2);
    rx(238, 3);
    EXPECT_FALSE(start().mnuFreeze.enabled);
    rx(238, 4);
    const int64_t phase4 = scheduler.now();
    EXPECT_EQ(start().Label22.caption, "Phase 4");
    EXPECT_FALSE(start().Startbouton.visible);
    EXPECT_TRUE(start().VScroll1[5].enabled);
    EXPECT_TRUE(start().Command7.enabled);
    EXPECT_TRUE(start().StartHalogen.visible);
    EXPECT_TRUE(start().Timer20.enabled());
    EXPECT_TRUE(start().Timer17.enabled());
    EXPECT_FALSE(supplyRowsShown());
    scheduler.advanceBy(200);
    EXPECT_TRUE(start().mnuFreeze.enabled);
    // The first frame in phase 4 sends the saved power again, once a second until acknowledged.
    EXPECT_EQ(sent(), std::vector<std::string>{});
    rx(251, 40);
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"237,80", "237,80"}));
    rx(236, 1);
    scheduler.advanceBy(2000);
    EXPECT_TRUE(sent().empty());
    // The wear data are asked for once a minute, every second until the first byte.
    scheduler.advanceTo(phase4 + 61500);
    EXPECT_EQ(sent(), (std::vector<std::string>{"220,0"}));
    rx(220, 197);
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(st().WearBytes[0], 197);
}

TEST_F(RunCycle, TheAutomaticStopKeepsTheStartButtonAndTheSupplyRows) {
    click("Startbouton");
    const bool startShown = start().Startbouton.visible;
    start().Timer8.start();
    start().Timer19.start();
    start().Timer18.start();
    scheduler.advanceBy(3000);
    EXPECT_EQ(events().back(), " PC --> Stamp      STOP");
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

TEST_F(RunCycle, OverheatingStopsTheLampFromBothReports) {
    reachPhase4();
    sent();
    rx(251, 120);
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), std::vector<std::string>{"237,80"});
    rx(251, 121); // above 120: the temperature stop
    EXPECT_EQ(events().back(), " PC --> Stamp      STOP");
    EXPECT_FALSE(start().Timer10.enabled());
    EXPECT_TRUE(start().mnutestscompos.enabled);
    EXPECT_EQ(start().Label22.caption, "Phase 4"); // the display is left as it is
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"255,2", "255,2"}));
    rx(254, 2);

    rx(254, 6);
    EXPECT_EQ(box(), " Caution !|Magnetron Temperature too high ! \r\nSystem Halt....  ");
    EXPECT_EQ(ui.boxes().back().box.icon, MsgIcon::Critical);
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), std::vector<std::string>{"255,2"});
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
    EXPECT_EQ(events().back(), " PC --> Stamp     950 Watts");
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), std::vector<std::string>{"237,95"});

    // A second sample-holder frame adopts nothing again.
    start().Label22.caption = "checked";
    rx(226, 41);
    EXPECT_EQ(start().Label22.caption, "checked");
    EXPECT_EQ(start().Label5[10].caption, "41°C");
}

TEST_F(RunCycle, FramesOfAnotherMachineOnlyMeetThePhaseFourTest) {
    port.deliver("001, 238, 004, S\r\n");
    port.deliver("001, 226, 040, S\r\n");
    EXPECT_EQ(st().LampPhase, 0);
    EXPECT_EQ(st().HolderFrameSeen, 0);
    rx(226, 40); // machine 0 puts the station in phase 4
    port.deliver("001, 251, 030, S\r\n");
    EXPECT_EQ(st().StateRestored, 1); // any valid frame restores the run state in phase 4
    EXPECT_EQ(st().Readings[7], 0);
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
