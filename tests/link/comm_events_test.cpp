// The link watchdog before the first frame (each port event's line: scenario comm_events; the
// silence and the recovery: scenario link_loss).
#include "link/comm.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct CommEvents : test::StationFixture {
    CommEvents() { port.open(2); }
    // How many of the value cells and the logger status are visible, of nine.
    int valuesVisible() {
        int n = start().Label2[0].visible ? 1 : 0;
        for (int i : {0, 1, 4, 6, 7, 8, 9, 10})
            n += start().Label5[i].visible ? 1 : 0;
        return n;
    }
    bool valuesShown() { return valuesVisible() == 9; }
    bool valuesHidden() { return valuesVisible() == 0; }
};

TEST_F(CommEvents, WatchdogNeverFiresBeforeTheFirstFrameThenEveryTwentySecondsOfSilence) {
    scheduler.advanceBy(600000);
    EXPECT_EQ(start().Label7[0].caption, "---");
    EXPECT_TRUE(valuesShown());

    // Then every twenty seconds of silence: scenario link_loss.
    port.deliverFrame(251, 30);
    scheduler.advanceBy(19999);
    EXPECT_TRUE(valuesShown());
    scheduler.advanceBy(1);
    EXPECT_TRUE(valuesHidden());
}

} // namespace
} // namespace orbek
