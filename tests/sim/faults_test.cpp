// Faults on demand, as the station will meet them on its line.
#include "sim_harness.hpp"

#include "sim/scenario.hpp"

#include <gtest/gtest.h>

namespace orbek::sim::test {
namespace {

Fault fault(FaultKind kind, int amount = 0, double seconds = 0, double at = 0) {
    Fault f;
    f.kind = kind;
    f.amount = amount;
    f.seconds = seconds;
    f.atSeconds = at;
    return f;
}

void toPhase4(Line& line) {
    line.order(255, 1);
    ASSERT_GT(line.runUntil(238, 4, 120000), 0);
}

TEST(SimFaults, SilenceNoiseAndDamagedFramesOnTheLine) {
    Line line;
    line.run(1500);
    line.controller.apply(fault(FaultKind::Silence, 0, 25));
    const auto quiet = line.mark();
    line.order(237, 90); // heard, but not answered while silent
    line.run(24900);
    EXPECT_EQ(line.mark(), quiet);
    EXPECT_EQ(line.controller.power(), 90);
    line.run(2000);
    EXPECT_GT(line.mark(), quiet) << "the controller speaks again after the silence";

    const auto noisy = line.mark();
    line.controller.apply(fault(FaultKind::Noise, 40));
    line.run(50);
    ASSERT_GT(line.mark(), noisy);
    const auto& noise = line.chunks[noisy].text;
    EXPECT_EQ(noise.size(), 40u);
    EXPECT_EQ(noise.find_first_of("\x11\x13"), std::string::npos)
        << "flow-control bytes would stop the station's sending";

    // Each damage hits exactly the next frame.
    line.run(2000);
    const struct {
        FaultKind kind;
        std::size_t size;
        char marker;
    } damages[] = {{FaultKind::DropByte, 17, 0},
                   {FaultKind::AddByte, 19, 0},
                   {FaultKind::WrongMarker, 18, 'X'}};
    for (const auto& d : damages) {
        SCOPED_TRACE(d.size);
        const auto at = line.mark();
        line.controller.apply(fault(d.kind));
        line.order(198, 0);
        line.run(100);
        ASSERT_GE(line.mark(), at + 2);
        const auto& damaged = line.chunks[at].text;
        const auto& next = line.chunks[at + 1].text;
        EXPECT_EQ(damaged.size(), d.size);
        if (d.marker) {
            EXPECT_EQ(damaged[15], d.marker);
        }
        EXPECT_FALSE(Line::decode(damaged));
        EXPECT_TRUE(Line::decode(next)) << next;
    }
}

TEST(SimFaults, MissingAcknowledgementAndSlowController) {
    Line line;
    line.controller.apply(fault(FaultKind::NoAck, 237, 10));
    line.controller.apply(fault(FaultKind::NoAck, 195));
    EXPECT_FALSE(has(line.ask(237, 50, 500), 236));
    EXPECT_EQ(line.controller.power(), 80) << "an order without an answer was not taken either";
    EXPECT_TRUE(has(line.ask(198, 0), 198, 114)) << "other orders are still answered";
    line.run(10000);
    EXPECT_TRUE(has(line.ask(237, 50), 236, 1)) << "the time-limited fault is over";
    EXPECT_FALSE(has(line.ask(195, 1, 8000), 194)) << "freeze orders stay unanswered";

    line.controller.apply(fault(FaultKind::Slow, 1500));
    int64_t asked = line.scheduler.now();
    line.order(237, 60);
    const int64_t delay = line.runUntil(236, 1, 5000) - asked;
    EXPECT_GE(delay, 1500);
    EXPECT_LT(delay, 1600);
    line.controller.apply(fault(FaultKind::Slow, 0));
    asked = line.scheduler.now();
    line.order(237, 70);
    EXPECT_LT(line.runUntil(236, 1, 5000) - asked, 100);
}

TEST(SimFaults, MagnetronOverheatingIsReportedOnceAndEndsWithTheStop) {
    Line line;
    toPhase4(line);
    line.controller.apply(fault(FaultKind::MagnetronHot));
    const auto hot = line.listen(120000);
    EXPECT_EQ(only(hot, 254).size(), 1u) << "each report opens a box at the station";
    EXPECT_TRUE(has(hot, 254, 6));
    EXPECT_GT(only(hot, 251).back().value, 120);

    line.order(255, 2);
    ASSERT_GT(line.runUntil(254, 0, 70000), 0);
    EXPECT_LT(line.controller.magnetronTemperature(), 40) << "the stop ends the fault";

    // Above the restart temperature a start order is not taken.
    line.controller.apply(fault(FaultKind::MagnetronHot));
    line.run(20000);
    EXPECT_FALSE(has(line.ask(255, 1, 1000), 253));
    line.controller.apply(fault(FaultKind::MagnetronOk));
    line.run(300000);
    EXPECT_TRUE(has(line.ask(255, 1), 253, 1));
}

TEST(SimFaults, HolderBoardAndSupplyFaultsShowInTheReadings) {
    Line line;
    line.controller.apply(fault(FaultKind::LowSupply));
    line.controller.apply(fault(FaultKind::HolderHot));
    auto got = line.listen(3000);
    ASSERT_FALSE(only(got, 247).empty());
    for (const auto& f : only(got, 247))
        EXPECT_LT(2 * f.value, 150);
    EXPECT_FALSE(has(got, 226)) << "still no holder frame outside phase 4";

    toPhase4(line);
    line.run(120000);
    got = line.listen(2000);
    EXPECT_GT(only(got, 226).back().value, 80);
    EXPECT_NE(only(got, 232).back().value, 255);

    line.controller.apply(fault(FaultKind::SupplyOk));
    line.controller.apply(fault(FaultKind::BoardAbsent));
    line.run(200); // readings already on the line
    got = line.listen(2000);
    for (const auto& f : only(got, 232))
        EXPECT_EQ(f.value, 255);
    for (const auto& f : only(got, 247))
        EXPECT_GE(2 * f.value, 150);

    line.controller.apply(fault(FaultKind::BoardPresent));
    line.controller.apply(fault(FaultKind::HolderOk));
    line.run(600000);
    got = line.listen(2000);
    EXPECT_NE(only(got, 232).back().value, 255);
    EXPECT_LT(only(got, 226).back().value, 60);
}

TEST(SimFaults, TimedFaultsOfTheOptionsComeAtTheirTime) {
    SimOptions options;
    options.faults = {fault(FaultKind::Silence, 0, 5, 10), fault(FaultKind::BoardAbsent)};
    Line line(options);
    line.order(255, 1);
    line.runUntil(238, 4, 120000); // past the silence
    line.run(2000);
    const auto got = line.frames();
    int64_t longestGap = 0;
    for (std::size_t i = 1; i < got.size(); ++i)
        longestGap = std::max(longestGap, got[i].time - got[i - 1].time);
    EXPECT_GE(longestGap, 4900);
    for (const auto& f : got)
        if (f.time > 10000 && f.time < 15000) {
            ADD_FAILURE() << "frame in the silence";
        }
    EXPECT_EQ(only(got, 232).back().value, 255);
}

TEST(SimScenario, ReadsTimedFaultsAndNamesTheBadLine) {
    std::vector<Fault> faults;
    std::string error;
    ASSERT_TRUE(parseScenario({"# warm-up", "", "0 no-board", "12.5  silence 25  # watchdog",
                               "30 noise", "31 marker #", "0 noack 237 60", "40 slow 1500",
                               "41\tdrop", "42 magnetron-hot"},
                              faults, &error))
        << error;
    ASSERT_EQ(faults.size(), 8u);
    EXPECT_EQ(faults[0].kind, FaultKind::BoardAbsent);
    EXPECT_EQ(faults[1].kind, FaultKind::Silence);
    EXPECT_DOUBLE_EQ(faults[1].atSeconds, 12.5);
    EXPECT_DOUBLE_EQ(faults[1].seconds, 25);
    EXPECT_EQ(faults[2].amount, 8);
    EXPECT_EQ(faults[3].marker, 'X') << "'#' starts a comment";
    EXPECT_EQ(faults[4].amount, 237);
    EXPECT_DOUBLE_EQ(faults[4].seconds, 60);
    EXPECT_EQ(faults[5].amount, 1500);
    EXPECT_EQ(faults[6].kind, FaultKind::DropByte);

    const std::pair<const char*, const char*> bad[] = {
        {"5 explode", "unknown fault 'explode'"},
        {"5 silence", "silence"},
        {"5 silence -3", "silence"},
        {"soon noise 3", "time"},
        {"5 marker S", "marker"},
        {"5 noack 300", "noack"},
        {"5 drop 3", "no argument"},
        {"5", "no fault"},
    };
    for (const auto& [line, why] : bad) {
        std::vector<Fault> none;
        error.clear();
        EXPECT_FALSE(parseScenario({"0 board", line}, none, &error)) << line;
        EXPECT_NE(error.find("line 2: "), std::string::npos) << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }

    error.clear();
    EXPECT_FALSE(loadScenario("/nonexistent/orbek/scenario.txt", faults, &error));
    EXPECT_NE(error.find("/nonexistent/orbek/scenario.txt"), std::string::npos) << error;
}

} // namespace
} // namespace orbek::sim::test
