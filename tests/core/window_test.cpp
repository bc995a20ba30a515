#include "core/window.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

class Box : public WindowModel {
  public:
    explicit Box(Scheduler& s)
        : WindowModel(s, "Box"), Label1(add([] {
              Control c;
              c.name = "Label1";
              c.caption = "design";
              return c;
          }())),
          Timer1(addTimer("Timer1", 100, true)), Timer2(addTimer("Timer2", 50, false)) {}
    Control& Label1;
    Timer& Timer1;
    Timer& Timer2;
};

TEST(WindowModel, TouchingLoadsHiddenWithTheLoadTimersAndUnloadingReturnsToTheDesign) {
    Scheduler scheduler;
    Box box(scheduler);
    int ticks = 0;
    int loads = 0;
    box.Timer1.setTick([&] { ++ticks; });
    box.on("Form_Load", [&] { ++loads; });
    scheduler.advanceBy(1000);
    EXPECT_EQ(ticks, 0); // an unloaded window's timers do not run
    EXPECT_FALSE(box.loaded());

    box.touch();
    EXPECT_EQ(box.state(), WindowModel::State::Hidden);
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(box.Timer1.enabled());
    EXPECT_FALSE(box.Timer2.enabled());
    scheduler.advanceBy(250);
    EXPECT_EQ(ticks, 2);
    box.touch(); // touching a loaded window loads nothing again
    EXPECT_EQ(loads, 1);

    box.Label1.caption = "changed";
    box.Timer1.setInterval(400);
    box.Timer2.start();
    box.showModal();
    EXPECT_TRUE(box.modal());
    box.unload();
    EXPECT_FALSE(box.loaded());
    EXPECT_EQ(box.Label1.caption, "design");
    EXPECT_FALSE(box.Timer2.enabled());
    scheduler.advanceBy(1000);
    EXPECT_EQ(ticks, 2);

    // The next load starts again from the design, its interval included.
    box.show();
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(box.Timer1.interval(), 100);
    EXPECT_TRUE(box.shown());
    EXPECT_EQ(box.find("Label1"), &box.Label1);
    EXPECT_EQ(box.find("Label9"), nullptr);
}

} // namespace
} // namespace orbek
