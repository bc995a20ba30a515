// The in-process port: the station's side of a line to the simulated controller.
#include "sim/simulated_port.hpp"

#include <gtest/gtest.h>

namespace orbek::sim {
namespace {

TEST(SimulatedPort, DeliversTheControllersFramesAsWaitingInput) {
    Scheduler scheduler;
    SimulatedPort port(scheduler);
    std::vector<std::string> received;
    port.setEventHandler([&](CommEvent event) {
        ASSERT_EQ(event, CommEvent::Receive);
        EXPECT_GE(port.waiting(), 18u);
        received.push_back(port.read(18));
    });

    // Closed: orders are not heard and the controller's frames are lost.
    port.write({0, 255, 1});
    scheduler.advanceBy(5500);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(port.waiting(), 0u);
    EXPECT_EQ(port.controller().stage(), Stage::Idle);

    ASSERT_TRUE(port.open(11));
    EXPECT_FALSE(port.open(11));
    EXPECT_TRUE(port.isOpen());
    port.write({0, 255, 1});
    EXPECT_TRUE(received.empty()) << "no answer inside the write";
    scheduler.advanceBy(100);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front(), "000, 253, 001, S\r\n");

    // A handler that does not read leaves the characters waiting, and is not called again
    // until more arrive.
    int calls = 0;
    port.setEventHandler([&](CommEvent) { ++calls; });
    scheduler.advanceBy(1000);
    EXPECT_EQ(port.waiting(), 18u * static_cast<std::size_t>(calls));
    EXPECT_GE(calls, 1);

    port.close();
    EXPECT_EQ(port.waiting(), 0u);
    EXPECT_TRUE(port.open(3));
    EXPECT_EQ(port.waiting(), 0u) << "a re-opened port starts empty";
}

} // namespace
} // namespace orbek::sim
