// Light power and halogen orders in phase 4.
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct PowerHalogen : test::StationFixture {
    PowerHalogen() {
        startUp();
        st().LampPhase = 4;
        st().StateRestored = 1; // the run state is already in place
        start().VScroll1[5].enabled = true;
    }
    std::string firstLine(const char* file) { return files::readLines(s().appFile(file))->at(0); }
};

TEST_F(PowerHalogen, APowerSettingIsSentUntilAcknowledgedAndTheLastDragIsSaved) {
    StartWindow& w = start();
    w.VScroll1[5].value = 100;
    w.fire("VScroll1[5]:Scroll"); // dragged to 100
    EXPECT_EQ(w.Label8.caption, "1000 ");
    EXPECT_EQ(st().PowerWatts, 1000);
    w.VScroll1[5].value = 101;
    w.fire("VScroll1[5]:Change"); // one arrow step: shown, not the drag value
    EXPECT_EQ(w.Label8.caption, "1010 ");
    EXPECT_EQ(st().PowerByte, 100);

    w.Timer11.start(); // a halogen order pending is abandoned
    w.fire("Command7");
    EXPECT_EQ(w.Label56.caption, " Set Power = 1010 Watts");
    EXPECT_EQ(lastEvent(), " PC --> Stamp     1010 Watts");
    EXPECT_EQ(firstLine("LevelPW.ini"), "100");
    EXPECT_FALSE(w.Timer11.enabled());
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"237,101", "237,101"}));
    port.deliverFrame(236, 1);
    scheduler.advanceBy(2000);
    EXPECT_TRUE(sent().empty());

    // Outside phase 4 the repeater waits without sending.
    st().LampPhase = 3;
    w.fire("Label56");
    scheduler.advanceBy(2000);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(w.Timer10.enabled());
}

TEST_F(PowerHalogen, HalogenOrdersRepeatWithTheirLineUntilAcknowledged) {
    StartWindow& w = start();
    w.fire("StartHalogen");
    EXPECT_EQ(firstLine("StartHalogen.ini"), "1");
    EXPECT_EQ(files::readLines(s().appFile("NS.ini"))->at(2), "1");
    EXPECT_FALSE(w.StartHalogen.enabled);
    EXPECT_EQ(w.StartHalogen.backColour, 0x00FF00u);
    EXPECT_TRUE(w.StopHalogen.visible);
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"227,1", "227,1"}));
    EXPECT_EQ(std::count(events().begin(), events().end(), " PC --> Stamp      Halogen activated"),
              2);
    port.deliverFrame(227, 2);
    scheduler.advanceBy(2000);
    EXPECT_TRUE(sent().empty());

    w.fire("StopHalogen");
    EXPECT_EQ(firstLine("StartHalogen.ini"), "0");
    EXPECT_EQ(files::readLines(s().appFile("NS.ini"))->at(2), "0");
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"227,0"}));
    EXPECT_EQ(lastEvent(), " PC --> Stamp      Halogen desactivated");
    EXPECT_FALSE(w.StopHalogen.visible);

    // With the port closed nothing is sent and no line added; the buttons keep the click.
    port.deliverFrame(227, 2);
    port.close();
    const auto lines = events().size();
    w.fire("StartHalogen");
    scheduler.advanceBy(3000);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(events().size(), lines);
    EXPECT_FALSE(w.StartHalogen.enabled);
}

} // namespace
} // namespace orbek
