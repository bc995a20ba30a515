// The wear-counter window on virtual time: bursts of wear bytes, the station's uptime counter
// and Counter.ini, and the guarded erasing of the controller's counters.
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/file_bytes.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct WearCounters : test::StationFixture {
    WearCounters() { startUp("juniper"); }
    UsuresWindow& u() { return *s().models().Usures; }
    std::filesystem::path counterFile() { return s().appFile("Counter.ini"); }
    std::vector<std::string> counterLines() { return *files::readLines(counterFile()); }
    void writeCounter(const std::vector<std::string>& lines) {
        ASSERT_TRUE(files::writeLines(counterFile(), lines));
    }
    // The wear-data request of the main window, then the controller's fifteen bytes.
    void burst(const std::vector<int>& bytes) {
        start().Timer21.start();
        scheduler.advanceBy(1000);
        for (int b : bytes)
            port.deliverFrame(220, b);
        scheduler.advanceBy(300);
    }
    std::vector<int> fifteen(std::vector<int> first) {
        first.resize(15, 0);
        return first;
    }
    // Loads the window afresh and lets its load sequence run.
    void reload() {
        u().unload();
        s().Usures();
        scheduler.advanceBy(300);
    }
    // One more display pass, as a completed burst starts it.
    void pass() {
        s().Usures().Timer2.start();
        scheduler.advanceBy(100);
    }
    std::vector<bool> erasable() {
        return {u().Activation[0].enabled, u().Activation[1].enabled, u().Activation[2].enabled};
    }
    std::vector<int> uptime() {
        return {st().WearBytes[15], st().WearBytes[16], st().WearBytes[17]};
    }
};

TEST_F(WearCounters, AShortBurstIsDroppedByTheNextRequest) {
    // A whole burst shown, and the uptime it advances: scenario wear_burst.
    burst(fifteen({30, 5}));
    // Fourteen bytes, then a new request: nothing shown changes, the next fifteen start at 0.
    start().Timer21.start();
    scheduler.advanceBy(1000);
    for (int i = 0; i < 14; ++i)
        port.deliverFrame(220, 100 + i);
    scheduler.advanceBy(300);
    EXPECT_EQ(u().Label15[0].caption, "30");
    burst(fifteen({44, 2}));
    EXPECT_EQ(st().WearBytes[0], 44);
    EXPECT_EQ(st().WearBytes[14], 0);
    EXPECT_EQ(u().Label5[0].caption, "8");
    EXPECT_EQ(uptime(), (std::vector<int>{1, 0, 0}));
}

TEST_F(WearCounters, TheUptimeKeepsTwoHundredFortyOneMinuteThenCarriesAndWraps) {
    writeCounter({"11101111", "00000011", "00000000"}); // 239, 3, 0
    reload();
    EXPECT_EQ(uptime(), (std::vector<int>{239, 3, 0}));
    EXPECT_EQ(u().Label5[3].caption, "15");
    pass();
    EXPECT_EQ(uptime(), (std::vector<int>{240, 3, 0}));
    EXPECT_EQ(u().Label5[3].caption, "16");
    pass();
    EXPECT_EQ(uptime(), (std::vector<int>{0, 4, 0}));
    EXPECT_EQ(u().Label5[3].caption, "16");
    EXPECT_EQ(counterLines(), (std::vector<std::string>{"00000000", "00000100", "00000000"}));

    writeCounter({"11101111", "11111111", "11111111"}); // 239, 255, 255
    reload();
    pass();
    EXPECT_EQ(uptime(), (std::vector<int>{240, 255, 255}));
    pass();
    EXPECT_EQ(uptime(), (std::vector<int>{0, 0, 0}));
    writeCounter({"11110000", "11111111", "00000001"}); // 240, 255, 1: the carry reaches slot 17
    reload();
    pass();
    EXPECT_EQ(uptime(), (std::vector<int>{0, 0, 2}));
}

TEST_F(WearCounters, CounterIniIsReadLenientlyAndItsTroublesAreReported) {
    writeCounter({"101", "11111111111", "1x1"});
    reload();
    EXPECT_EQ(uptime(), (std::vector<int>{5, 255, 5}));
    EXPECT_EQ(lastEvent(),
              "File Counter.ini line 3 is not a bit pattern: its other characters count as 0");
    // The pass after the load rewrites the file whole, in the station's own form.
    EXPECT_EQ(counterLines(), (std::vector<std::string>{"00000101", "11111111", "00000101"}));

    writeCounter({"00000111"});
    reload();
    EXPECT_EQ(uptime(), (std::vector<int>{7, 0, 0}));
    EXPECT_EQ(lastEvent(), "File Counter.ini holds 1 of 3 lines: the missing ones count as zero");
    EXPECT_EQ(counterLines().size(), 3u);

    // Missing: zero, no complaint, created again.
    std::filesystem::remove(counterFile());
    const std::size_t before = events().size();
    reload();
    EXPECT_EQ(uptime(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(events().size(), before);
    EXPECT_EQ(counterLines(), (std::vector<std::string>(3, "00000000")));

    // A file that cannot be written: one line, not one a minute, and the station goes on.
    std::filesystem::remove(counterFile());
    std::filesystem::create_directory(counterFile());
    std::filesystem::create_directory(counterFile() / "keep");
    const std::size_t lines = events().size();
    pass();
    pass();
    ASSERT_EQ(events().size(), lines + 1);
    EXPECT_EQ(lastEvent().rfind("File Counter.ini could not be written: ", 0), 0u);
    EXPECT_EQ(uptime(), (std::vector<int>{2, 0, 0}));

    // Unreadable at the load: the stored count is left alone rather than replaced by zeros.
    reload();
    EXPECT_EQ(
        lastEvent(),
        "File Counter.ini could not be read: the uptime counter is not saved until it can be");
    const std::size_t held = events().size();
    pass();
    EXPECT_EQ(events().size(), held); // no write tried, so no failure either
    EXPECT_TRUE(std::filesystem::exists(counterFile() / "keep"));
}

// The erasing itself (a wrong code, the right one, the request repeated until confirmed or given
// up) and the uptime counter's reset button: scenario counter_erase. The codes of SWord.inx count
// whatever their case and trailing blanks.
TEST_F(WearCounters, ACodeFromTheFileCountsWhateverItsCaseAndTrailingBlanks) {
    ASSERT_TRUE(
        files::writeLines(s().paths.userFile("SWord.inx"), {"Ab12  ", "\"5822\"", "\"5823\""}));
    s().Usures().show();
    scheduler.advanceBy(300);
    u().Text1[0].caption = "aB12";
    ASSERT_TRUE(u().fire("Activation[0]"));
    EXPECT_EQ(box(), "Password|Code Correct ");
    EXPECT_EQ(st().EraseSelection, 1);
}

TEST_F(WearCounters, ErasingIsLockedWhileRunningAndForCountersWithoutACode) {
    // From Start until the ready report, however and whenever the window loads.
    u().unload();
    start().fire("Startbouton"); // loads the window hidden
    scheduler.advanceBy(300);
    EXPECT_EQ(erasable(), (std::vector<bool>(3, false)));
    EXPECT_FALSE(u().Text1[0].enabled);
    start().fire("Stopbouton");
    reload();
    EXPECT_EQ(erasable(), (std::vector<bool>(3, false)));
    port.deliverFrame(254, 0);
    EXPECT_EQ(erasable(), (std::vector<bool>(3, true)));
    st().LampPhase = 2; // a running machine found at start-up
    reload();
    EXPECT_EQ(erasable(), (std::vector<bool>(3, false)));

    st().LampPhase = 0;
    ASSERT_TRUE(files::writeLines(s().paths.userFile("SWord.inx"), {"\"5821\""}));
    reload();
    EXPECT_EQ(erasable(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(lastEvent(),
              "File SWord.inx holds 1 of 3 access codes: the counters without one stay locked");
    // Even enabled again by the controller's ready answer, an empty entry erases nothing.
    port.deliverFrame(254, 0);
    ASSERT_TRUE(u().Activation[2].enabled);
    sent();
    ASSERT_TRUE(u().fire("Activation[2]"));
    EXPECT_EQ(ui.boxes().back().box.text, "Error in Code !!! ");
    scheduler.advanceBy(3000);
    for (const std::string& order : sent())
        EXPECT_NE(order.rfind("199,", 0), 0u) << order;
    EXPECT_FALSE(u().Timer3.enabled());

    std::filesystem::remove(s().paths.userFile("SWord.inx"));
    reload();
    EXPECT_EQ(erasable(), (std::vector<bool>(3, false)));
    EXPECT_EQ(lastEvent().rfind("File SWord.inx could not be read", 0), 0u);
}

} // namespace
} // namespace orbek
