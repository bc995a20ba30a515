// The sample-holder watch: when it raises the alarm, the information window over the
// sample-holder cell, and a record that cannot be written (what the alarm does: scenarios
// holder_alarm_acknowledged and window_from_tick).
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
