// The component-test window on virtual time: switch orders, speed tests and their results.
#include "app/startup.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct ComponentTests : test::StationFixture {
    ComponentTests() { startUp("juniper"); }
    TestsMVWindow& t() { return s().TestsMV(); }
    void click(const std::string& control) { ASSERT_TRUE(t().fire(control)) << control; }
    static constexpr uint32_t kPressed = colour::rgb(192, 255, 255);
};

TEST_F(ComponentTests, ASpeedTestRepeatsUntilReceivedAndListsSixResults) {
    t().List3.items = {"old"};
    t().List4.items = {"old"};
    st().ReplyIndex = 9;
    t().MoteurOnFast.backColour = kPressed;
    click("TestSpeedM");
    EXPECT_TRUE(t().List3.items.empty());
    EXPECT_TRUE(t().List4.items.empty());
    EXPECT_FALSE(start().Startbouton.enabled);
    EXPECT_FALSE(start().Stopbouton.enabled);
    EXPECT_EQ(t().TestSpeedM.backColour, kPressed);
    EXPECT_EQ(t().MoteurOnFast.backColour, colour::buttonFace);
    scheduler.advanceBy(3000);
    EXPECT_EQ(sent(), (std::vector<std::string>(3, "244,1")));
    port.deliverFrame(254, 3);
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent().empty());

    for (int value : {30, 53, 31, 53, 27, 63, 90})
        port.deliverFrame(244, value);
    EXPECT_EQ(t().List4.items, (std::vector<std::string>{"V1_Slow  1320", "V1_Fast  2700",
                                                         "V2_Slow  1380", "V2_Fast  2700"}));
    EXPECT_EQ(t().List3.items, (std::vector<std::string>{"M_Slow   1140", "M_Fast   3300"}));
    EXPECT_EQ(st().ReplyIndex, 7);
    // The end of the tests: with no run on, the run buttons are usable again.
    port.deliverFrame(254, 4);
    EXPECT_EQ(t().TestSpeedM.backColour, colour::buttonFace);
    EXPECT_TRUE(start().Startbouton.enabled);
    EXPECT_TRUE(start().Stopbouton.enabled);

    // The fan test, with a value below 8: listed as the negative speed it gives.
    click("TestSpeedV");
    EXPECT_EQ(t().TestSpeedV.backColour, kPressed);
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"244,2"}));
    port.deliverFrame(244, 5);
    EXPECT_EQ(t().List4.items, (std::vector<std::string>{"V1_Slow -180"}));
    EXPECT_TRUE(t().List3.items.empty());

    // A Start reads the parameters back from the first box, whatever the test counted; the
    // end of a test during the run leaves the run buttons as the run has them.
    start().fire("Startbouton");
    scheduler.advanceBy(500);
    for (int i = 0; i < 15; ++i)
        port.deliverFrame(242, 100 + i);
    EXPECT_EQ(s().Parametres().Text1[0].caption, "100");
    EXPECT_EQ(s().Parametres().Text1[14].caption, "114");
    port.deliverFrame(254, 4);
    EXPECT_FALSE(start().Startbouton.enabled);
}

TEST_F(ComponentTests, WithThePortClosedASpeedTestDoesNothing) {
    port.close();
    t().List3.items = {"M_Slow   1140"};
    click("TestSpeedM");
    EXPECT_FALSE(t().Timer6.enabled());
    EXPECT_EQ(t().List3.items.size(), 1u);
    EXPECT_TRUE(start().Startbouton.enabled);
    EXPECT_EQ(t().TestSpeedM.backColour, colour::buttonFace);
}

TEST_F(ComponentTests, SwitchOrdersRepeatTheLastButtonUntilAcknowledged) {
    click("MoteurOnFast");
    EXPECT_EQ(t().MoteurOnFast.backColour, kPressed);
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>(2, "245,5")));
    click("MoteurOff");
    EXPECT_EQ(t().MoteurOff.backColour, kPressed);
    EXPECT_EQ(t().MoteurOnFast.backColour, colour::buttonFace);
    scheduler.advanceBy(2000);
    EXPECT_EQ(sent(), (std::vector<std::string>(2, "245,6")));
    click("VentilOnFast");
    click("VentilOff");
    EXPECT_EQ(t().VentilOff.backColour, kPressed);
    EXPECT_EQ(t().VentilOnFast.backColour, colour::buttonFace);
    EXPECT_EQ(t().MoteurOff.backColour, kPressed); // the motor pair keeps its mark
    scheduler.advanceBy(1000);
    EXPECT_EQ(sent(), (std::vector<std::string>{"245,3"}));
    port.deliverFrame(254, 2);
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent().empty());

    // A closed port only holds the frames back.
    port.close();
    click("VentilOnFast");
    scheduler.advanceBy(3000);
    EXPECT_TRUE(t().Timer5.enabled());
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(st().TestOrder, 2);
}

TEST_F(ComponentTests, TheMenuEntryRunsTheWindowModalCentredOnTheMainWindow) {
    StartWindow& w = start();
    w.left = 3000;
    w.width = 12000;
    bool ranInside = false;
    ui.onModal = [&](WindowModel& window) {
        EXPECT_EQ(window.name(), "TestsMV");
        scheduler.advanceBy(100);
        EXPECT_EQ(window.left, 3000 + (12000 - window.width) / 2);
        EXPECT_FALSE(t().Timer1.enabled());
        // Replies reach the window while it is open.
        click("MoteurOnFast");
        scheduler.advanceBy(1000);
        ranInside = sent() == std::vector<std::string>{"245,5"};
        ASSERT_TRUE(window.fire("Form_Unload"));
    };
    ASSERT_TRUE(w.fire("mnutestscompos"));
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(ui.modalsRun, std::vector<std::string>{"TestsMV"});
    EXPECT_FALSE(s().models().TestsMV->loaded());
    scheduler.advanceBy(3000);
    EXPECT_TRUE(sent().empty()); // closing the window ends its orders
}

} // namespace
} // namespace orbek
