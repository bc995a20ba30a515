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

    const auto atStart = line.mark();
    line.order(255, 1);
    ASSERT_GT(line.runUntil(238, 4, 120000), 0);
    line.run(5000);
    const auto run = line.frames(atStart);
    ASSERT_GE(run.size(), 3u);
    EXPECT_EQ(run[0].code * 1000 + run[0].value, 253001);
    EXPECT_LT(run[0].time - 7500, 50);
    EXPECT_EQ(run[1].code * 1000 + run[1].value, 198000); // version 1.14, high byte first
    EXPECT_EQ(run[2].code * 1000 + run[2].value, 198114);

    // Each phase frame follows its cycle step, in phase order; nothing but cycle frames until
    // phase 1 (the station stops repeating the start only on a 253 frame); no holder frame
    // before phase 4, and every reading about once a second in it.
    std::vector<int> phases;
    for (std::size_t i = 0; i < run.size(); ++i) {
        if (run[i].code == 238) {
            EXPECT_EQ(run[i - 1].code * 1000 + run[i - 1].value, 253018 + run[i].value);
            phases.push_back(run[i].value);
        } else if (phases.empty()) {
            EXPECT_TRUE(run[i].code == 253 || run[i].code == 198) << run[i].code;
        }
        EXPECT_TRUE(run[i].code != 226 || phases.size() == 4);
    }
    EXPECT_EQ(phases, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_NEAR(only(run, 238)[3].time - only(run, 238)[0].time, 45000, 100);
    for (const int code : {251, 250, 249, 248, 247, 235, 234, 233, 232, 226})
        EXPECT_GE(only(run, code).size(), 4u) << code;

    // Stop: shutdown confirmed, 60 .. 0 once a second with nothing in between, then ready.
    const auto atStop = line.mark();
    line.order(255, 2);
    ASSERT_GT(line.runUntil(254, 0, 70000), 0);
    auto stop = line.frames(atStop);
    while (!stop.empty() && stop.front().code != 254)
        stop.erase(stop.begin()); // readings already on the line
    ASSERT_EQ(stop.size(), 63u);
    EXPECT_EQ(stop[0].value, 2);
    for (int k = 0; k <= 60; ++k) {
        EXPECT_EQ(stop[1 + k].code * 1000 + stop[1 + k].value, 252060 - k);
        if (k > 0) {
            EXPECT_NEAR(stop[1 + k].time - stop[k].time, 1000, 20);
        }
    }
    EXPECT_EQ(stop[62].code * 1000 + stop[62].value, 254000);

    // Idle again, and cool enough to be started once more.
    EXPECT_TRUE(has(line.listen(4000), 254, 5));
    EXPECT_LT(line.controller.magnetronTemperature(), 35);
    EXPECT_TRUE(has(line.ask(255, 1), 253, 1));
}

TEST(SimController, RepeatedOrdersAreAnsweredWithoutRestartingAnything) {
    Line line;
    line.order(255, 1);
    const int64_t phase2 = line.runUntil(238, 2, 60000);
    const auto again = only(line.ask(255, 1), 253);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].value, 20);
    EXPECT_NEAR(line.runUntil(238, 3, 30000) - phase2, 15000, 100);

    line.runUntil(238, 4, 30000);
    line.order(255, 2);
    line.runUntil(252, 55, 10000);
    line.order(255, 1); // cooling: no start
    const auto repeat = line.ask(255, 2, 1500);
    ASSERT_GE(repeat.size(), 2u);
    EXPECT_EQ(repeat[0].code * 1000 + repeat[0].value, 254002);
    EXPECT_EQ(repeat[1].code * 1000 + repeat[1].value, 252054) << "the countdown restarted";
    EXPECT_FALSE(has(repeat, 253));

    // A stop while idle is confirmed at once, and the controller says it is ready.
    line.runUntil(254, 0, 70000);
    const auto idle = only(line.ask(255, 2), 254);
    ASSERT_EQ(idle.size(), 2u);
    EXPECT_EQ(idle[0].value * 10 + idle[1].value, 20);
}

TEST(SimController, OrdersAreReadFromAnyPiecesAndOddBytesAreIgnored) {
    Line line;
    line.controller.receive(std::string("\x07\x00", 2)); // noise, then an order's first byte
    line.controller.receive("\xED");
    line.controller.receive("\x64");
    line.controller.receive("\x01\xED\x20"); // another machine's order
    line.order(200, 1);                      // no such order
    line.run(200);
    EXPECT_EQ(only(line.frames(), 236).size(), 1u);
    EXPECT_FALSE(has(line.frames(), 200));
    EXPECT_EQ(line.controller.power(), 100);

    // An order whose last byte straggles in long after is not glued to the next one.
    line.controller.receive(std::string("\x00\xED", 2));
    line.run(500);
    const auto after = line.ask(198, 0);
    EXPECT_TRUE(has(after, 198, 114));
    EXPECT_FALSE(has(after, 236));
}

TEST(SimController, RunOrdersPowerHalogenAndFreeze) {
    Line line;
    EXPECT_FALSE(has(line.ask(227, 1), 227)) << "halogen lamps only in phase 4";
    line.order(255, 1);
    line.runUntil(238, 4, 70000);
    EXPECT_TRUE(has(line.ask(237, 120), 236, 1));
    EXPECT_TRUE(has(line.ask(227, 1), 227, 2));
    EXPECT_TRUE(line.controller.halogenOn());

    // Light and holder follow the power and the halogen lamps.
    line.run(600000);
    const double hotHolder = line.controller.holderTemperature();
    const int brightLight = only(line.listen(1000), 249).back().value;
    line.order(237, 20);
    line.order(227, 0);
    line.run(600000);
    EXPECT_LT(line.controller.holderTemperature(), hotHolder - 10);
    EXPECT_LT(only(line.listen(1000), 249).back().value, brightLight / 2);

    // Freeze: released after the freeze time, once however often it is asked for.
    const int64_t asked = line.scheduler.now();
    const auto at = line.mark();
    line.order(195, 1);
    line.run(1000);
    line.order(195, 1);
    EXPECT_NEAR(line.runUntil(194, 1, 10000) - asked, 5000, 50);
    line.run(6000);
    EXPECT_EQ(only(line.frames(at), 194).size(), 1u);
}

TEST(SimController, WearCountersAdvanceWithEachPartsTimeAndCanBeErased) {
    SimOptions options;
    options.wear = {10, 1, 0, 0, 0, 20, 2, 0, 0, 0, 30, 3, 0, 0, 0};
    options.speed = 60; // a machine minute each wall second
    Line line(options);
    const auto at = line.mark();
    line.order(220, 0);
    line.run(100);
    line.order(220, 0); // repeated before the burst is through: one burst
    line.run(500);
    auto burst = only(line.frames(at), 220);
    ASSERT_EQ(burst.size(), 15u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(burst[i].value, options.wear[i]);

    const auto minutes = [](const std::array<uint8_t, 15>& b, int group) {
        return b[group * 5] + 240 * (b[group * 5 + 1] + 256 * b[group * 5 + 2]);
    };
    line.order(255, 1);
    line.runUntil(238, 4, 2000);
    line.order(227, 1);
    line.run(300);
    const auto before = line.controller.wearBytes();
    line.run(250 * 1000); // 250 machine minutes
    const auto after = line.controller.wearBytes();
    for (int group = 0; group < 3; ++group)
        EXPECT_NEAR(minutes(after, group) - minutes(before, group), 250, 2) << group;
    EXPECT_EQ(after[1], 2) << "240 minutes make one more four-hour block";

    // The halogen counter stands still while the halogen lamps are off.
    line.order(227, 0);
    line.run(100 * 1000);
    const auto later = line.controller.wearBytes();
    EXPECT_EQ(minutes(later, 1), minutes(after, 1));
    EXPECT_NEAR(minutes(later, 0) - minutes(after, 0), 100, 2);

    line.order(255, 2);
    line.runUntil(254, 0, 5000);
    EXPECT_TRUE(has(line.ask(199, 2), 199, 0));
    burst = only(line.ask(220, 0, 500), 220);
    ASSERT_EQ(burst.size(), 15u);
    for (int i = 5; i < 10; ++i)
        EXPECT_EQ(burst[i].value, 0) << i;
    EXPECT_GT(burst[1].value * burst[11].value, 0) << "the other counters are kept";
}

TEST(SimController, ParameterAndClockTransfersFollowTheirHandshakes) {
    Line line;
    const auto at = line.mark();
    line.order(243, 1);
    line.run(100);
    line.order(243, 1); // repeated before the burst is through: one burst
    line.run(500);
    const auto read = only(line.frames(at), 242);
    ASSERT_EQ(read.size(), 15u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(read[i].value, kDefaultParameters[i]) << i;

    // Values without the handshake are not stored; a repeated handshake starts over.
    line.order(239, 99);
    line.order(222, 99);
    EXPECT_EQ(line.controller.parameters(), kDefaultParameters);
    EXPECT_TRUE(has(line.ask(241, 1), 240, 1));
    EXPECT_TRUE(has(line.ask(241, 1), 240, 1));
    for (int i = 0; i < 16; ++i) // one too many: ignored
        line.ask(239, 100 + i, 1000);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(line.controller.parameters()[static_cast<std::size_t>(i)], 100 + i);

    EXPECT_TRUE(has(line.ask(224, 1), 223, 1));
    const std::array<uint8_t, 8> registers = {0x07, 0x05, 0x09, 0, 0x04, 0x12, 0x26, 16};
    for (const auto r : registers)
        line.ask(222, r, 1000);
    EXPECT_EQ(line.controller.clockRegisters(), registers);
    EXPECT_EQ(only(line.ask(243, 1, 500), 242).back().value, 114);
}

TEST(SimController, ComponentTestsSwitchAndMeasure) {
    Line line;
    EXPECT_TRUE(has(line.ask(245, 2), 254, 0));
    EXPECT_TRUE(has(line.ask(245, 6), 254, 0));
    EXPECT_FALSE(has(line.ask(245, 9), 254, 0)) << "no such test";
    EXPECT_EQ(line.controller.motor() * 10 + line.controller.fans(), 20);

    const auto at = line.mark();
    line.order(244, 1);
    line.run(2500);
    line.order(244, 1); // the station missed the acknowledgement and asks again
    line.run(8000);
    std::vector<int> sequence;
    for (const auto& f : line.frames(at))
        if (f.code == 244 || (f.code == 254 && f.value != 5))
            sequence.push_back(f.code * 1000 + f.value);
    ASSERT_EQ(sequence.size(), 9u);
    const int expected[] = {254003, 244030, 244053, 254003, 244031, 244053, 244027, 244063, 254004};
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_NEAR(sequence[i], expected[i], 1) << i;

    // Not while the lamp runs.
    line.order(255, 1);
    line.run(3000);
    EXPECT_FALSE(has(line.ask(245, 1, 50), 254));
    EXPECT_FALSE(has(line.ask(244, 2, 3000), 244));
}

} // namespace
} // namespace orbek::sim::test
