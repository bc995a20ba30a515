// The freeze order and the cooling wait box.
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct WaitBox : test::StationFixture {
    WaitBox() { port.open(2); }
    // Frames the controller sends at the given times from now.
    void plan(int64_t afterMs, int code, int value) {
        scheduler.after(afterMs, [this, code, value] { port.deliverFrame(code, value); });
    }
    std::vector<std::string> shownSeconds;
    void watchBox() {
        ui.onModal = [this](WindowModel&) {
            // Sample the box's seconds every half second while it is open.
            for (int t = 500; t < 120000; t += 500)
                scheduler.after(t, [this] {
                    if (s().models().Boitestop->loaded())
                        shownSeconds.push_back(s().models().Boitestop->Label2.caption);
                });
        };
    }
};

TEST_F(WaitBox, TheBoxCountsTheCoolingFramesDownAndClosesAtZero) {
    watchBox();
    for (int v = 59; v >= 0; --v) {
        plan((60 - v) * 1000 - 100, 252, v);
        // Readings of 0 arrive during the cooling too; they must not close the box.
        plan((60 - v) * 1000 - 50, 249, 0);
    }
    port.deliverFrame(252, 60);
    // The call returns when the box closed.
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"Boitestop"});
    EXPECT_FALSE(s().models().Boitestop->loaded());
    EXPECT_GE(scheduler.now(), 60000);
    EXPECT_LE(scheduler.now(), 61000);
    ASSERT_FALSE(shownSeconds.empty());
    EXPECT_EQ(shownSeconds.front(), "");
    EXPECT_NE(std::find(shownSeconds.begin(), shownSeconds.end(), "30"), shownSeconds.end());
    EXPECT_EQ(shownSeconds.back(), "1");
}

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
    EXPECT_EQ(events().back(), " Stamp --> PC      Freeze deactivated");
    sent();
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent({237}).empty()); // only the power of the restored run goes on
}

} // namespace
} // namespace orbek
