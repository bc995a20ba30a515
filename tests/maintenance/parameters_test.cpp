// The parameter window: requests given up or refused, the coefficients saved on closing, the
// entry check and the control lock (a whole read and write: scenario parameter_transfer).
#include "app/startup.hpp"
#include "core/files.hpp"
#include "maintenance/parameters.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct Parameters : test::StationFixture {
    Parameters() {
        clock.set({2026, 12, 4, 9, 5, 7});
        startUp();
        boxesBefore = ui.boxes().size(); // the port file start-up created
    }
    std::size_t boxesBefore = 0;
    ParametresWindow& p() { return s().Parametres(); }
    std::vector<std::string> boxTexts() { return StationFixture::boxTexts(boxesBefore); }
    std::vector<std::string> coefficientFile() {
        return *files::readLines(s().appFile("DataCoeff.ini"));
    }
};

TEST(ParameterClock, RegistersAreBcdOfTheMoment) {
    EXPECT_EQ(maintenance::clockRegisters({2026, 12, 4, 9, 5, 7}),
              (std::array<int, 8>{7, 5, 9, 0, 4, 18, 38, 16}));
    EXPECT_EQ(maintenance::clockRegisters({1999, 10, 31, 23, 59, 58}),
              (std::array<int, 8>{0x58, 0x59, 0x23, 0, 0x31, 0x10, 0x99, 16}));
}

TEST_F(Parameters, AnUnansweredReadStopsAfterSeventeenRequests) {
    p().fire("Lecture");
    scheduler.advanceBy(20000);
    EXPECT_EQ(sent().size(), 17u);
    EXPECT_FALSE(p().Timer7.enabled());
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(Parameters, RefusedWritesLeaveTheStationWatched) {
    // The refusals and their boxes: scenario parameter_write_refused.
    p().fire("Setup");
    p().Text1[8].caption = "300";
    p().fire("Validerwrite");
    EXPECT_TRUE(start().Timer33.enabled());
    p().Text1[8].caption = "35";
    p().fire("Validerwrite");
    scheduler.advanceBy(20000);
    EXPECT_EQ(sent().size(), 16u);
    EXPECT_TRUE(start().Timer33.enabled());
}

TEST_F(Parameters, ClosingMidWriteHandsTheWatchdogBackAndALatePermissionSendsNothing) {
    p().show();
    p().fire("Setup");
    p().fire("Validerwrite");
    scheduler.advanceBy(1000);
    p().fire("Form_QueryUnload");
    EXPECT_FALSE(s().models().Parametres->loaded());
    EXPECT_TRUE(start().Timer33.enabled());
    port.deliverFrame(240, 1); // reloads the window, whose boxes are empty
    scheduler.advanceBy(5000);
    EXPECT_EQ(sent(), std::vector<std::string>{"241,1"});
}

TEST_F(Parameters, ClosingSavesTheCoefficientsOnlyWhenChanged) {
    // A file written by hand: an unchanged window leaves its text as it is.
    std::vector<std::string> lines{"0", "0.123456789", "4", "2", "1", "1", "1", "65.0",
                                   "0", "0",           "0", "0", "0", "0", "7"};
    ASSERT_TRUE(files::writeLines(s().appFile("DataCoeff.ini"), lines));
    port.close();
    rebuild();
    app::Form_Load(s());
    scheduler.advanceBy(100);
    EXPECT_EQ(p().Text2[14].caption, "7");
    p().unload();
    EXPECT_EQ(coefficientFile(), lines);
    EXPECT_FALSE(start().Timer19.enabled());

    p().show();
    scheduler.advanceBy(100);
    p().Text2[4].caption = "1.5";
    p().fire("Fharen");
    EXPECT_EQ(p().Fharen.backColour, ParametresWindow::kUnitMarked);
    EXPECT_EQ(p().Degres.backColour, colour::buttonFace);
    p().Check1.checked = true;
    p().fire("Check1");
    EXPECT_EQ(p().Check1.caption, "SHT Alarm enabled (ON)");
    p().fire("Form_QueryUnload");
    // Every other value comes back as it was read, all its digits kept.
    EXPECT_EQ(coefficientFile(),
              (std::vector<std::string>{"0", "0.123456789", "4", "2", "1.5", "1", "1", "65", "1",
                                        "1", "0", "0", "0", "0", "7"}));
    EXPECT_EQ(st().Coefficients[8].toNumber(), 1);
    EXPECT_TRUE(start().Timer19.enabled());

    // The next load shows the switch and the unit from the saved values.
    p().show();
    scheduler.advanceBy(100);
    EXPECT_TRUE(p().Check1.checked);
    EXPECT_EQ(p().Check1.caption, "SHT Alarm enabled (ON)");
    EXPECT_EQ(p().Fharen.backColour, ParametresWindow::kUnitMarked);
}

TEST_F(Parameters, ACoefficientFileThatCannotBeWrittenIsReportedAndKeptInUse) {
    std::filesystem::remove(s().appFile("DataCoeff.ini"));
    std::filesystem::create_directory(s().appFile("DataCoeff.ini")); // no file can replace it
    p().Text2[7].caption = "60";
    p().unload();
    EXPECT_EQ(st().Coefficients[7].toNumber(), 60);
    ASSERT_FALSE(ui.boxes().empty());
    EXPECT_EQ(ui.boxes().back().box.icon, MsgIcon::Critical);
    EXPECT_EQ(eventsWith("File DataCoeff.ini could not be written"), 1u);
}

TEST_F(Parameters, OutOfRangeTemperaturesKeepTheValueInUseAndAnEmptyFactorCountsAsOne) {
    p().Text2[7].caption = "71";
    p().Text2[0].caption = "-1";
    p().fire("Text2[7]:Change");
    scheduler.advanceBy(300);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{" Caution !|Entry from 0 - 70 °C",
                                                    " Caution !|Entry from 0 - 70C"}));
    EXPECT_EQ(p().Text2[7].caption, "65");
    EXPECT_EQ(p().Text2[0].caption, "0");
    p().Text2[7].caption = "70";
    p().fire("Text2[7]:Change");
    scheduler.advanceBy(300);
    EXPECT_EQ(boxTexts().size(), 2u);
    EXPECT_EQ(p().Text2[7].caption, "70");

    // A scale factor emptied in the window counts as 1 once the window closes.
    p().Text2[1].caption = "";
    p().unload();
    EXPECT_EQ(coefficientFile()[7], "70");
    port.deliverFrame(249, 25);
    EXPECT_EQ(start().Label5[1].caption, "25.0");
    EXPECT_EQ(st().Coefficients[1], Variant("1"));
}

TEST_F(Parameters, ReadingAndEditingFollowTheRunState) {
    p().fire("Setup");
    st().RunStarted = 1;
    scheduler.advanceBy(1000);
    EXPECT_FALSE(p().Lecture.enabled);
    EXPECT_FALSE(p().Validerwrite.enabled);
    EXPECT_FALSE(p().Text1[3].enabled);
    EXPECT_FALSE(p().ResetAdr10.enabled);
    p().fire("Setup");
    EXPECT_FALSE(p().Validerwrite.enabled);

    st().RunStarted = 0;
    scheduler.advanceBy(1000);
    EXPECT_TRUE(p().Lecture.enabled);
    EXPECT_TRUE(p().Text1[3].enabled);
    p().fire("ResetAdr10");
    EXPECT_EQ(p().Text1[10].caption, "0");

    // A run still active by NS.ini (a station restarted mid-run) keeps reading locked.
    ASSERT_TRUE(files::writeLines(s().appFile("NS.ini"), {"1.14", "1", "0", "0"}));
    scheduler.advanceBy(1000);
    EXPECT_EQ(st().RunActive, 1);
    EXPECT_FALSE(p().Lecture.enabled);
    EXPECT_TRUE(p().Text1[3].enabled);

    // An unreadable NS.ini is told once and changes nothing.
    std::filesystem::remove(s().appFile("NS.ini"));
    scheduler.advanceBy(5000);
    EXPECT_EQ(eventsWith("NS.ini"), 1u);
    EXPECT_EQ(st().RunActive, 1);
}

} // namespace
} // namespace orbek
