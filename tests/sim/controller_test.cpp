// The simulated controller as the station sees it: orders in, frames out, on virtual time.
#include "sim_harness.hpp"

#include <gtest/gtest.h>

namespace orbek::sim::test {
namespace {

// Start, the cycle steps, the four phases, stop, the cooling countdown and ready again.
TEST(SimController, RunsAWholeLampCycleInTheOrderTheStationExpects) {
    Line line;
    line.run(7500);
    const auto idle = line.frames();
    EXPECT_GE(only(idle, 254).size(), 2u);
    for (const auto& f : only(idle, 254))
        EXPECT_EQ(f.value, 5);
    EXPECT_TRUE(has(idle, 251) && has(idle, 248) && has(idle, 247));
    EXPECT_FALSE(has(idle, 226)) << "a holder frame outside phase 4 adopts a running machine";
    EXPECT_FALSE(has(idle, 238) || has(idle, 253));

    const auto atStart = line.mark();
    const int64_t ordered = line.scheduler.now();
    line.order(255, 1);
    ASSERT_GT(line.runUntil(238, 4, 120000), 0);
    line.run(3000);
    const auto run = line.frames(atStart);
    ASSERT_GE(run.size(), 3u);
    EXPECT_EQ(run[0].code, 253);
    EXPECT_EQ(run[0].value, 1);
    EXPECT_LT(run[0].time - ordered, 50);
    EXPECT_EQ(run[1].code, 198);
    EXPECT_EQ(run[1].value, 0);
    EXPECT_EQ(run[2].code, 198);
    EXPECT_EQ(run[2].value, 114);

    // Each phase frame follows its cycle step, in phase order; nothing but cycle frames until
    // phase 1, no holder frame before phase 4.
    std::vector<int> phases;
    bool inPhase4 = false, inPhases = false;
    for (std::size_t i = 0; i < run.size(); ++i) {
        const auto& f = run[i];
        if (f.code == 238) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(run[i - 1].code, 253);
            EXPECT_EQ(run[i - 1].value, 18 + f.value);
            phases.push_back(f.value);
            inPhases = true;
            inPhase4 = f.value == 4;
        } else if (!inPhases) {
            EXPECT_TRUE(f.code == 253 || f.code == 198) << f.code;
        }
        if (f.code == 226) {
            EXPECT_TRUE(inPhase4);
        }
    }
    EXPECT_EQ(phases, (std::vector<int>{1, 2, 3, 4}));
    const auto p1 = only(run, 238)[0].time, p4 = only(run, 238)[3].time;
    EXPECT_NEAR(p4 - p1, 45000, 100); // phases 1 to 3 last 10 + 15 + 20 s

    // Phase 4: every reading about once a second.
    const auto cruise = line.mark();
    line.run(5000);
    const auto p4frames = line.frames(cruise);
    for (const int code : {251, 250, 249, 248, 247, 235, 234, 233, 232, 226})
        EXPECT_GE(only(p4frames, code).size(), 4u) << code;
    EXPECT_EQ(line.controller.lampPhase(), 4);

    // Stop: shutdown confirmed, 60 .. 0 once a second with nothing in between, then ready.
    const auto atStop = line.mark();
    line.order(255, 2);
    ASSERT_GT(line.runUntil(254, 0, 70000), 0);
    auto stop = line.frames(atStop);
    while (!stop.empty() && !(stop.front().code == 254 && stop.front().value == 2))
        stop.erase(stop.begin()); // readings already on the line
    ASSERT_EQ(stop.size(), 63u);
    for (int k = 0; k <= 60; ++k) {
        EXPECT_EQ(stop[1 + k].code, 252);
        EXPECT_EQ(stop[1 + k].value, 60 - k);
        if (k > 0) {
            EXPECT_NEAR(stop[1 + k].time - stop[k].time, 1000, 20);
        }
    }
    EXPECT_EQ(stop[62].code, 254);
    EXPECT_EQ(stop[62].value, 0);

    // Idle again, cool enough to be started once more.
    const auto ready = line.mark();
    line.run(4000);
    EXPECT_TRUE(has(line.frames(ready), 254, 5));
    EXPECT_LT(line.controller.magnetronTemperature(), 35);
    const auto again = line.mark();
    line.order(255, 1);
    line.run(100);
    EXPECT_TRUE(has(line.frames(again), 253, 1));
}

TEST(SimController, SpeedFactorShortensTheMachineButNotTheReportingRhythm) {
    SimOptions options;
    options.speed = 10;
    Line line(options);
    line.order(255, 1);
    const int64_t p4 = line.runUntil(238, 4, 20000);
    ASSERT_GT(p4, 0);
    EXPECT_NEAR(p4, (13 * 1000 + 45000) / 10, 50);

    const auto cruise = line.mark();
    line.run(4000);
    EXPECT_NEAR(only(line.frames(cruise), 226).size(), 4u, 1u);

    const auto atStop = line.mark();
    line.order(255, 2);
    ASSERT_GT(line.runUntil(254, 0, 10000), 0);
    const auto countdown = only(line.frames(atStop), 252);
    ASSERT_EQ(countdown.size(), 61u);
    EXPECT_NEAR(countdown.back().time - countdown.front().time, 6000, 100);
}

// The station repeats an order until it sees the answer; a repeat must not redo the work.
TEST(SimController, RepeatedOrdersAreAnsweredWithoutRestartingAnything) {
    Line line;
    line.order(255, 1);
    line.runUntil(238, 2, 60000);
    const int64_t phase2 = line.scheduler.now();
    auto at = line.mark();
    line.order(255, 1);
    line.run(200);
    auto repeat = only(line.frames(at), 253);
    ASSERT_EQ(repeat.size(), 1u);
    EXPECT_EQ(repeat[0].value, 20);
    const int64_t phase3 = line.runUntil(238, 3, 30000);
    EXPECT_NEAR(phase3 - phase2, 15000, 100) << "a repeated start restarted the phase";

    line.runUntil(238, 4, 30000);
    line.order(255, 2);
    line.runUntil(252, 55, 10000);
    at = line.mark();
    line.order(255, 2);
    line.order(255, 1); // cooling: no start
    line.run(1500);
    repeat = line.frames(at);
    ASSERT_GE(repeat.size(), 2u);
    EXPECT_EQ(repeat[0].code, 254);
    EXPECT_EQ(repeat[0].value, 2);
    EXPECT_EQ(repeat[1].code, 252);
    EXPECT_EQ(repeat[1].value, 54) << "a repeated stop restarted the countdown";
    EXPECT_FALSE(has(repeat, 253));

    // A stop while idle is confirmed at once, and the controller says it is ready.
    line.runUntil(254, 0, 70000);
    at = line.mark();
    line.order(255, 2);
    line.run(200);
    repeat = only(line.frames(at), 254);
    ASSERT_EQ(repeat.size(), 2u);
    EXPECT_EQ(repeat[0].value, 2);
    EXPECT_EQ(repeat[1].value, 0);
}

TEST(SimController, OrdersAreReadFromAnyPiecesAndOddBytesAreIgnored) {
    Line line;
    line.controller.receive(std::string("\x07\x00", 2)); // noise, then an order's first byte
    line.controller.receive(std::string("\xED", 1));
    line.controller.receive(std::string("\x64", 1));
    line.run(50);
    EXPECT_TRUE(has(line.frames(), 236, 1));
    EXPECT_EQ(line.controller.power(), 100);

    auto at = line.mark();
    line.order(200, 1);                                   // no such order
    line.controller.receive(std::string("\x01\xED\x20")); // another machine's order
    line.run(50);
    for (const auto& f : line.frames(at))
        EXPECT_TRUE(f.code != 236 && f.code != 200);
    EXPECT_EQ(line.controller.power(), 100);

    // An order whose last byte straggles in long after is not glued to the next one.
    at = line.mark();
    line.controller.receive(std::string("\x00\xED", 2));
    line.run(500);
    line.order(198, 0);
    line.run(50);
    const auto after = line.frames(at);
    EXPECT_TRUE(has(after, 198, 114));
    EXPECT_FALSE(has(after, 236));
    EXPECT_EQ(line.controller.power(), 100);
}

TEST(SimController, RunOrdersPowerHalogenAndFreeze) {
    Line line;
    auto at = line.mark();
    line.order(227, 1); // not before phase 4
    line.run(50);
    EXPECT_FALSE(has(line.frames(at), 227));

    line.order(255, 1);
    line.runUntil(238, 4, 70000);
    at = line.mark();
    line.order(237, 120);
    line.order(227, 1);
    line.run(50);
    auto got = line.frames(at);
    EXPECT_TRUE(has(got, 236, 1));
    EXPECT_TRUE(has(got, 227, 2));
    EXPECT_EQ(line.controller.power(), 120);
    EXPECT_TRUE(line.controller.halogenOn());

    // Light and holder follow the power and the halogen lamps.
    line.run(600000);
    const double hotHolder = line.controller.holderTemperature();
    at = line.mark();
    line.run(1000);
    const int brightLight = only(line.frames(at), 249).back().value;
    line.order(237, 20);
    line.order(227, 0);
    line.run(600000);
    EXPECT_FALSE(line.controller.halogenOn());
    EXPECT_LT(line.controller.holderTemperature(), hotHolder - 10);
    at = line.mark();
    line.run(1000);
    EXPECT_LT(only(line.frames(at), 249).back().value, brightLight / 2);

    // Freeze: released after the freeze time, once however often it is asked for.
    at = line.mark();
    const int64_t asked = line.scheduler.now();
    line.order(195, 1);
    line.run(1000);
    line.order(195, 1);
    const int64_t released = line.runUntil(194, 1, 10000);
    EXPECT_NEAR(released - asked, 5000, 50);
    line.run(6000);
    EXPECT_EQ(only(line.frames(at), 194).size(), 1u);
}

TEST(SimController, WearCountersAdvanceWithEachPartsTimeAndCanBeErased) {
    SimOptions options;
    options.wear = {10, 1, 0, 0, 0, 20, 2, 0, 0, 0, 30, 3, 0, 0, 0};
    options.speed = 60; // a machine minute each wall second
    Line line(options);
    auto at = line.mark();
    line.order(220, 0);
    line.run(100);
    line.order(220, 0); // repeated before the burst is through: one burst
    line.run(500);
    auto burst = only(line.frames(at), 220);
    ASSERT_EQ(burst.size(), 15u);
    const auto bytes = line.controller.wearBytes();
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(burst[i].value, bytes[i]);
    EXPECT_EQ(burst[0].value, 10);
    EXPECT_EQ(burst[6].value, 2);
    EXPECT_EQ(burst[10].value, 30);

    line.order(255, 1);
    line.runUntil(238, 4, 2000);
    line.order(227, 1);
    line.run(300);
    const auto before = line.controller.wearBytes();
    line.run(250 * 1000); // 250 machine minutes
    const auto after = line.controller.wearBytes();
    const auto minutes = [](const std::array<uint8_t, 15>& b, int group) {
        return b[group * 5] + 240 * (b[group * 5 + 1] + 256 * b[group * 5 + 2]);
    };
    for (int group = 0; group < 3; ++group)
        EXPECT_NEAR(minutes(after, group) - minutes(before, group), 250, 2) << group;
    EXPECT_EQ(after[1], 2) << "240 minutes make one more four-hour block";

    // The halogen counter stands still while the halogen lamps are off.
    line.order(227, 0);
    line.run(300);
    const auto halogenOff = line.controller.wearBytes();
    line.run(100 * 1000);
    const auto later = line.controller.wearBytes();
    EXPECT_EQ(minutes(later, 1), minutes(halogenOff, 1));
    EXPECT_NEAR(minutes(later, 0) - minutes(halogenOff, 0), 100, 2);
    line.order(255, 2);
    line.runUntil(254, 0, 5000);

    at = line.mark();
    line.order(199, 2);
    line.run(50);
    EXPECT_TRUE(has(line.frames(at), 199, 0));
    line.order(220, 0);
    line.run(500);
    burst = only(line.frames(at), 220);
    ASSERT_EQ(burst.size(), 15u);
    for (int i = 5; i < 10; ++i)
        EXPECT_EQ(burst[i].value, 0);
    EXPECT_NE(burst[0].value + burst[1].value, 0);
    EXPECT_NE(burst[10].value + burst[11].value, 0);
}

TEST(SimController, ParameterAndClockTransfersFollowTheirHandshakes) {
    Line line;
    auto at = line.mark();
    line.order(243, 1);
    line.run(100);
    line.order(243, 1); // the request repeats every half second until the first reply
    line.run(500);
    auto read = only(line.frames(at), 242);
    ASSERT_EQ(read.size(), 15u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(read[i].value, kDefaultParameters[i]) << i;

    // Values without the handshake are not stored.
    line.order(239, 99);
    line.order(222, 99);
    EXPECT_EQ(line.controller.parameters(), kDefaultParameters);

    at = line.mark();
    line.order(241, 1);
    line.run(50);
    line.order(241, 1); // the answer was late: the transfer starts over
    line.run(50);
    EXPECT_EQ(only(line.frames(at), 240).size(), 2u);
    for (int i = 0; i < 15; ++i) {
        line.order(239, 100 + i);
        line.run(1000);
    }
    line.order(239, 7); // one too many: ignored
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(line.controller.parameters()[static_cast<std::size_t>(i)], 100 + i);

    at = line.mark();
    line.order(224, 1);
    line.run(50);
    EXPECT_TRUE(has(line.frames(at), 223, 1));
    const std::array<uint8_t, 8> registers = {0x07, 0x05, 0x09, 0, 0x04, 0x12, 0x26, 16};
    for (const auto r : registers) {
        line.order(222, r);
        line.run(1000);
    }
    EXPECT_EQ(line.controller.clockRegisters(), registers);

    at = line.mark();
    line.order(243, 1);
    line.run(500);
    read = only(line.frames(at), 242);
    ASSERT_EQ(read.size(), 15u);
    EXPECT_EQ(read[14].value, 114);
}

TEST(SimController, ComponentTestsSwitchAndMeasure) {
    Line line;
    auto at = line.mark();
    line.order(245, 2);
    line.order(245, 6);
    line.order(245, 9); // no such test
    line.run(50);
    EXPECT_EQ(only(line.frames(at), 254).size(), 2u);
    EXPECT_EQ(line.controller.motor(), 2);
    EXPECT_EQ(line.controller.fans(), 0);

    at = line.mark();
    line.order(244, 1);
    line.run(2500);
    line.order(244, 1); // the station missed the acknowledgement and asks again
    line.run(8000);
    const auto test = line.frames(at);
    std::vector<Frame> sequence;
    for (const auto& f : test)
        if (f.code == 244 || (f.code == 254 && (f.value == 3 || f.value == 4)))
            sequence.push_back(f);
    ASSERT_EQ(sequence.size(), 9u);
    EXPECT_EQ(sequence[0].code, 254);
    EXPECT_EQ(sequence[0].value, 3);
    const int nominal[] = {30, 53, 31, 53, 27, 63};
    int k = 0;
    for (std::size_t i = 1; i < 8; ++i) {
        if (sequence[i].code == 254) {
            EXPECT_EQ(sequence[i].value, 3);
            continue;
        }
        EXPECT_NEAR(sequence[i].value, nominal[k], 1) << k;
        ++k;
    }
    EXPECT_EQ(k, 6);
    EXPECT_EQ(sequence[8].code, 254);
    EXPECT_EQ(sequence[8].value, 4);

    // Not while the lamp runs.
    line.order(255, 1);
    line.run(3000);
    at = line.mark();
    line.order(245, 1);
    line.order(244, 2);
    line.run(3000);
    EXPECT_FALSE(has(line.frames(at), 254));
    EXPECT_FALSE(has(line.frames(at), 244));
}

} // namespace
} // namespace orbek::sim::test
