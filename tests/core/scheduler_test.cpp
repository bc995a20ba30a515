#include "core/scheduler.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbek {
namespace {

TEST(Scheduler, TimersFireOnTheirIntervalsInDueOrder) {
    Scheduler s;
    std::vector<std::string> log;
    Timer fast(s, "fast", 200, [&] { log.push_back("fast@" + std::to_string(s.now())); });
    Timer slow(s, "slow", 500, [&] { log.push_back("slow@" + std::to_string(s.now())); });
    fast.start();
    slow.start();
    s.advanceTo(1000);
    EXPECT_EQ(log, (std::vector<std::string>{"fast@200", "fast@400", "slow@500", "fast@600",
                                             "fast@800", "slow@1000", "fast@1000"}));
    EXPECT_EQ(s.now(), 1000);
}

TEST(Scheduler, AnUnwantedTimerNeitherRunsNorWakesAndTicksAtOnceWhenWantedAgain) {
    Scheduler s;
    bool wanted = false;
    std::vector<int64_t> ticks;
    Timer clock(s, "clock", 20, [&] { ticks.push_back(s.now()); });
    Timer plot(s, "plot", 200, [] {});
    Timer late(s, "late", 203, [] {});
    clock.setWanted([&] { return wanted; });
    for (Timer* t : {&clock, &plot, &late})
        t->start();
    EXPECT_EQ(s.nextDue(), 200);
    EXPECT_EQ(s.nextDue(3), 203); // what falls due within 3 ms shares the wake-up
    EXPECT_EQ(s.nextDue(2), 200);
    s.advanceTo(1000);
    EXPECT_TRUE(ticks.empty());
    EXPECT_TRUE(clock.enabled());
    wanted = true;
    s.wantsChanged();
    s.advanceTo(1050);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 1020, 1040}));
}

TEST(Scheduler, OnlySettingTheIntervalRestartsTheCount) {
    Scheduler s;
    std::vector<int64_t> ticks;
    Timer t(s, "t", 1000, [&] { ticks.push_back(s.now()); });
    t.start();
    s.advanceTo(900);
    t.start(); // enabling an enabled timer keeps its count
    s.advanceTo(1000);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000}));
    s.advanceTo(1900);
    t.setInterval(1000); // the same interval still restarts it: a refreshed watchdog
    s.advanceTo(2899);
    EXPECT_EQ(ticks.size(), 1u);
    s.advanceTo(2900);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 2900}));
    t.stop();
    s.advanceTo(3500);
    t.start(); // a disabled timer starts its count afresh
    s.advanceTo(10000);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 2900, 4500, 5500, 6500, 7500, 8500, 9500}));
}

TEST(Scheduler, IntervalZeroNeverFiresAndASelfDisablingTickFiresOnce) {
    Scheduler s;
    int zeroTicks = 0;
    int oneShotTicks = 0;
    Timer zero(s, "zero", 0, [&] { ++zeroTicks; });
    zero.start();
    Timer* self = nullptr;
    Timer oneShot(s, "oneShot", 30, [&] {
        ++oneShotTicks;
        self->stop();
    });
    self = &oneShot;
    oneShot.start();
    s.advanceTo(100000);
    EXPECT_EQ(zeroTicks, 0);
    EXPECT_EQ(oneShotTicks, 1);
    EXPECT_EQ(s.nextDue(), -1);
}

TEST(Scheduler, NestedAdvanceFromATickRunsOtherTimersButNotTheBusyOne) {
    // A modal box opened by a tick keeps the other timers and deliveries running.
    Scheduler s;
    std::vector<std::string> log;
    int boxTicks = 0;
    Timer other(s, "other", 1000, [&] { log.push_back("other@" + std::to_string(s.now())); });
    Timer box(s, "box", 500, [&] {
        ++boxTicks;
        if (boxTicks == 1) {
            log.push_back("box opens@" + std::to_string(s.now()));
            s.advanceBy(3000); // the box stays open for 3 s
            log.push_back("box closes@" + std::to_string(s.now()));
        }
    });
    other.start();
    box.start();
    s.at(2200, [&] { log.push_back("frame@" + std::to_string(s.now())); });
    s.advanceTo(3600);
    EXPECT_EQ(log, (std::vector<std::string>{"box opens@500", "other@1000", "other@2000",
                                             "frame@2200", "other@3000", "box closes@3500"}));
    // The busy timer did not fire inside its own tick, and does not catch up afterwards.
    EXPECT_EQ(boxTicks, 1);
    s.advanceTo(4000);
    EXPECT_EQ(boxTicks, 2);
}

TEST(Scheduler, AHoldOfWholeIntervalsGivesNoExtraTickAndTheClockCountsBetweenItems) {
    Scheduler s;
    int64_t clock = 0;
    std::vector<int64_t> ticks;
    Timer* self = nullptr;
    Timer held(s, "held", 1000, [&] {
        ticks.push_back(s.now());
        if (ticks.size() == 1) s.advanceBy(1000); // a box open for exactly one interval
        if (ticks.size() == 2) s.advanceBy(3000); // and for exactly three
    });
    self = &held;
    held.start();
    s.advanceTo(2999);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000})) << "a tick followed the box at once";
    s.advanceTo(6999);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 3000})) << "a tick followed the box at once";
    EXPECT_EQ(self->due(), 7000);
    s.advanceTo(7000);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 3000, 7000}));

    // Driven by a real clock, a handler between items counts from the clock's time, while a
    // tick sees its own due time.
    s.setClock([&] { return clock; });
    clock = 7400;
    Timer armed(s, "armed", 500, [&] { ticks.push_back(s.now()); });
    armed.start();
    EXPECT_EQ(armed.due(), 7900);
    clock = 8100;
    s.advanceTo(clock);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1000, 3000, 7000, 7900, 8000}));
}

TEST(Scheduler, OneShotCallsAndTimersDueTogetherRunInTheOrderTheyWereArmed) {
    Scheduler s;
    std::vector<std::string> log;
    Timer t(s, "t", 100, [&] { log.push_back("timer"); });
    s.at(100, [&] { log.push_back("call"); });
    t.start();
    s.advanceTo(100);
    EXPECT_EQ(log, (std::vector<std::string>{"call", "timer"}));
    // A call planned in the past runs at once, never moving the time backwards.
    s.at(50, [&] { log.push_back("late@" + std::to_string(s.now())); });
    s.runDue();
    EXPECT_EQ(log.back(), "late@100");

    // An item that yields to the host ends the advance; what is still due runs at the next.
    s.at(150, [&] { log.push_back("click"), s.yieldToHost(); });
    s.at(150, [&] { log.push_back("after"); });
    s.advanceTo(300);
    EXPECT_EQ(log.back(), "click");
    s.advanceTo(300);
    EXPECT_EQ(log, (std::vector<std::string>{"call", "timer", "late@100", "click", "after", "timer",
                                             "timer"}));
}

} // namespace
} // namespace orbek
