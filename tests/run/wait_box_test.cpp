// The freeze order and the cooling wait box (its countdown: scenario cooling_countdown).
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

TEST_F(WaitBox, FreezeRepeatsInPhaseFourUntilReleased) {
    StartWindow& w = start();
    scheduler.advanceBy(400);
    EXPECT_FALSE(w.mnuFreeze.enabled);
    st().LampPhase = 4;
    scheduler.advanceBy(200);
    EXPECT_TRUE(w.mnuFreeze.enabled);
    w.fire("mnuFreeze");
    scheduler.advanceBy(3000);
    EXPECT_EQ(std::count(events().begin(), events().end(), " PC --> Stamp      Freeze activated"),
              3);
    EXPECT_EQ(port.written.back().bytes, (std::vector<uint8_t>{0, 195, 1}));
    port.deliverFrame(194, 1);
    EXPECT_EQ(lastEvent(), " Stamp --> PC      Freeze deactivated");
    sent();
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent({237}).empty()); // only the power of the restored run goes on
}

} // namespace
} // namespace orbek
