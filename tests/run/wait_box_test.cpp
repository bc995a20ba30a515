// The cooling wait box closed by its OK (its countdown: scenario cooling_countdown; the freeze
// order: scenario freeze).
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct WaitBox : test::StationFixture {
    WaitBox() { port.open(2); }
};

TEST_F(WaitBox, OkClosesTheBoxAndOtherCoolingValuesDoNotOpenIt) {
    port.deliverFrame(252, 59);
    EXPECT_TRUE(ui.modalsRun.empty());
    ui.onModal = [this](WindowModel& w) { scheduler.after(3000, [&w] { w.fire("OKQuitte"); }); };
    port.deliverFrame(252, 60);
    EXPECT_EQ(scheduler.now(), 3000);
    EXPECT_FALSE(s().models().Boitestop->loaded());
}

} // namespace
} // namespace orbek
