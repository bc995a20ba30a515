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

TEST(WindowModel, OnlyANewValueIsAChangeAndTheListenerHearsTheFirstAfterEachArm) {
    Scheduler scheduler;
    Box box(scheduler);
    box.touch();
    int told = 0;
    Changes::listen([&] { ++told; });
    Changes::arm();
    const uint64_t before = box.Label1.changedAt();

    box.Label1.caption = "design"; // the same text: no change, nobody told
    box.Label1.visible = true;
    EXPECT_EQ(box.Label1.changedAt(), before);
    EXPECT_EQ(told, 0);

    box.Label1.backColour = colour::red;
    const uint64_t coloured = box.Label1.changedAt();
    EXPECT_GT(coloured, before);
    box.Label1.caption = "new";
    box.Label1.items.push_back("line");
    EXPECT_GT(box.Label1.changedAt(), coloured);
    EXPECT_EQ(told, 1); // once until armed again
    Changes::arm();
    box.Label1.value = 3;
    EXPECT_EQ(told, 2);

    // Unloading returns to the design, which is a change of what differed.
    const uint64_t loaded = box.Label1.changedAt();
    box.unload();
    EXPECT_GT(box.Label1.changedAt(), loaded);
    EXPECT_EQ(box.Label1.backColour, colour::buttonFace);
    EXPECT_TRUE(box.Label1.items.empty());
    Changes::listen({});
}

TEST(LineList, KeepsLinesOfAnyLengthAndCountsWhatIsNotAnAppend) {
    LineList list;
    const std::string longLine(70000, 'x'); // longer than a block
    const std::vector<std::string> lines{"", " PC --> Stamp      START", longLine, "last"};
    for (int round = 0; round < 2; ++round) {
        for (const auto& l : lines)
            list.push_back(l);
        EXPECT_EQ(list, lines);
        EXPECT_EQ(list.back(), "last");
        EXPECT_EQ(list.resets(), static_cast<uint64_t>(round)); // appends only
        list.clear();
        EXPECT_TRUE(list.empty());
    }
    EXPECT_EQ(list.resets(), 2u);
    list.clear(); // an empty list emptied again: nothing to take in
    EXPECT_EQ(list.resets(), 2u);

    for (int i = 0; i < 5000; ++i)
        list.push_back("line " + std::to_string(i));
    EXPECT_EQ(list[4321], "line 4321");
    LineList copy = list; // a copy owns its lines
    list = std::vector<std::string>{"a", "b"};
    EXPECT_EQ(list.resets(), 3u);
    EXPECT_EQ(copy.size(), 5000u);
    EXPECT_EQ(copy[4999], "line 4999");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"a", "b"}));
}

} // namespace
} // namespace orbek
