// The sample-holder watch: when it raises the alarm, and a record that cannot be written (what
// the alarm does: scenarios holder_alarm_acknowledged and window_from_tick; the information
// window: scenario holder_information).
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
    // Answered at once, each warning still left its line in the record.
    const auto record = files::readLines(s().appFile("SHTAlarm.txt"));
    ASSERT_TRUE(record);
    EXPECT_EQ(
        std::count_if(record->begin(), record->end(),
                      [](const std::string& l) { return l.find("SHT Alarm activated") != l.npos; }),
        2);
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
