// The sample-holder watch: when it raises the alarm, what the alarm does, and the information
// window over the sample-holder cell.
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct HolderAlarm : test::StationFixture {
    HolderAlarm() {
        clock.set({2026, 12, 6, 10, 15, 42, 1});
        startUp();
    }
    void arm(const std::string& threshold, bool on = true) {
        s().Parametres().Text2[7].caption = threshold;
        s().Parametres().Check1.checked = on;
    }
    std::vector<std::string> alarmLines() {
        std::vector<std::string> out;
        const auto lines = files::readLines(s().appFile("SHTAlarm.txt"));
        for (const auto& l : lines.value_or(std::vector<std::string>{}))
            if (!l.empty()) out.push_back(l);
        return out;
    }
};

TEST_F(HolderAlarm, OnlyAHolderAboveTheThresholdInPhaseFourWithTheSwitchOnRaisesIt) {
    struct Case {
        const char* threshold;
        const char* holder;
        int phase;
        bool on;
        bool alarm;
    };
    const Case cases[] = {
        {"70", "105", 4, true, true}, {"40", "9", 4, true, false},   {"70", "70", 4, true, false},
        {"70", "71", 4, true, true},  {"70", "105", 3, true, false}, {"70", "105", 4, false, false},
    };
    ui.onModal = [](WindowModel& w) { w.fire("OKAnnuler"); };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.threshold) + " " + c.holder);
        ui.modalsRun.clear();
        arm(c.threshold, c.on);
        st().HolderTempText = c.holder;
        st().LampPhase = static_cast<int16_t>(c.phase);
        start().Timer14.start();
        scheduler.advanceBy(3000);
        EXPECT_EQ(!ui.modalsRun.empty(), c.alarm);
        start().Timer14.stop();
        start().Timer18.stop();
    }
}

TEST_F(HolderAlarm, TheAlarmSwitchesTheHalogenOffStopsTheRunAndIsRecordedOnce) {
    // A run in phase 4 with the lamps on and the watch armed.
    arm("70");
    start().fire("Startbouton");
    port.deliverFrame(253, 1);
    for (int p = 1; p <= 4; ++p)
        port.deliverFrame(238, p);
    start().fire("StartHalogen");
    port.deliverFrame(227, 2);
    scheduler.advanceBy(3000); // Timer17 arms the test
    EXPECT_TRUE(start().Timer14.enabled());
    port.written.clear();

    bool recordedWhileOpen = false;
    ui.onModal = [&](WindowModel& w) {
        EXPECT_EQ(w.name(), "AlarmHolder");
        scheduler.advanceBy(4000); // the warning stays open; the automatic stop runs meanwhile
        recordedWhileOpen = alarmLines().size() == 1;
        EXPECT_EQ(s().AlarmHolder().Label4.caption, "06/12/2026 / 10:15:42");
        w.fire("OKAnnuler");
    };
    port.deliverFrame(226, 90);
    scheduler.advanceBy(3000);
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"AlarmHolder"});
    EXPECT_TRUE(recordedWhileOpen);
    EXPECT_EQ(alarmLines(), std::vector<std::string>{"06/12/2026 / 10:15:42  SHT Alarm activated"});
    EXPECT_FALSE(s().models().AlarmHolder->loaded());
    // Halogen off, saved as such.
    EXPECT_EQ(st().HalogenActive, 0);
    EXPECT_EQ(files::readLines(s().appFile("StartHalogen.ini"))->at(0), "0");
    EXPECT_EQ(files::readLines(s().appFile("NS.ini"))->at(2), "0");
    EXPECT_TRUE(start().StartHalogen.enabled);
    ASSERT_FALSE(port.written.empty());
    EXPECT_TRUE(std::any_of(port.written.begin(), port.written.end(), [](const auto& w) {
        return w.bytes == std::vector<uint8_t>{0, 227, 0};
    }));
    // The automatic stop: phase 0, the stop order, the watch disarmed.
    EXPECT_EQ(st().LampPhase, 0);
    EXPECT_NE(std::find(events().begin(), events().end(), " PC --> Stamp      STOP"),
              events().end());
    EXPECT_FALSE(start().Timer14.enabled());
    EXPECT_EQ(port.written.back().bytes, (std::vector<uint8_t>{0, 255, 2}));

    // No further alarm until a new run reaches phase 4; the next one adds a second line, even
    // when its warning is closed at once.
    scheduler.advanceBy(10000);
    EXPECT_EQ(alarmLines().size(), 1u);
    ui.onModal = [](WindowModel& w) { w.fire("OKAnnuler"); };
    st().LampPhase = 4;
    start().Timer14.start();
    scheduler.advanceBy(3000);
    EXPECT_EQ(alarmLines().size(), 2u);
}

TEST_F(HolderAlarm, TheInformationWindowFollowsTheMouseAndShowsTheWatchSettings) {
    arm("65");
    s().Parametres().Text2[0].caption = "-2";
    st().HolderTempRaw = "41";
    start().left = 1000;
    start().top = 500;
    start().fire("Label5[10]:MouseMove");
    FenInfoHolderWindow& info = *s().models().FenInfoHolder;
    EXPECT_TRUE(info.shown());
    EXPECT_FALSE(info.modal());
    EXPECT_EQ(info.left, 2100);
    EXPECT_EQ(info.top, 4000);
    scheduler.advanceBy(200);
    EXPECT_EQ(info.Label1.caption, "SHT Alarm enabled (ON)");
    EXPECT_EQ(info.Label1.backColour, 0x00FF00u);
    EXPECT_EQ(info.Label3.caption, "65");
    EXPECT_EQ(info.Label4.caption, "-2");
    EXPECT_EQ(info.Label8.caption, "41");
    EXPECT_EQ(info.Label9.caption, "°C");

    s().Parametres().Check1.checked = false;
    st().Coefficients[8] = 1.0;
    scheduler.advanceBy(200);
    EXPECT_EQ(info.Label1.caption, "SHT Alarm disabled (OFF)");
    EXPECT_EQ(info.Label1.backColour, colour::rgb(255, 142, 0));
    EXPECT_EQ(info.Label5.caption, " F");
    EXPECT_EQ(info.Label8.caption, "105.8"); // 41 degrees Celsius, shown in Fahrenheit

    start().fire("Form_MouseMove");
    EXPECT_FALSE(info.loaded());
    EXPECT_FALSE(info.Timer1.enabled());
}

TEST_F(HolderAlarm, ARecordThatCannotBeWrittenIsSaidAndTheWarningStillShows) {
    std::filesystem::remove(s().appFile("SHTAlarm.txt"));
    std::filesystem::create_directories(s().appFile("SHTAlarm.txt") / "blocked");
    arm("30");
    st().HolderTempText = "50";
    st().LampPhase = 4;
    ui.onModal = [this](WindowModel& w) {
        scheduler.advanceBy(200);
        w.fire("OKAnnuler");
    };
    start().Timer14.start();
    scheduler.advanceBy(3000);
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"AlarmHolder"});
    EXPECT_NE(std::find_if(
                  events().begin(), events().end(),
                  [](std::string_view l) { return l.find("SHTAlarm.txt") != std::string::npos; }),
              events().end());
    EXPECT_FALSE(s().ended());
}

} // namespace
} // namespace orbek
