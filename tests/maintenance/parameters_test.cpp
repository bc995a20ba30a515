// The parameter window: the coefficients saved on closing, the entry check and the control lock
// (a whole read and write with its clock registers: scenario parameter_transfer; writes refused,
// stopped or cut by the closing, each handing the link watchdog back: scenarios
// parameter_write_refused and parameter_write_stopped; an emptied coefficient: scenario
// coefficient_emptied; the lock during a run: scenario parameter_run_lock).
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

TEST_F(Parameters, OutOfRangeTemperaturesKeepTheValueInUse) {
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
}

TEST_F(Parameters, ReadingFollowsTheRunStateOfNsIni) {
    // The run started and ended: scenario parameter_run_lock. A run still active by NS.ini (a
    // station restarted mid-run) keeps reading locked.
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

TEST_F(Parameters, TheClockRunsOnlyWhileSeenOrSentAndIsCurrentWhenItIs) {
    // Hidden from start-up on: the 20 ms clock neither runs nor wakes the station.
    scheduler.advanceBy(5000);
    EXPECT_EQ(p().Label52.caption, "");
    EXPECT_GT(scheduler.nextDue() - scheduler.now(), 20);
    clock.set({2026, 12, 4, 9, 5, 31});
    p().show();
    scheduler.runDue();
    EXPECT_EQ(p().Label52.caption, "09:05:31");
    // A clock write keeps the registers current behind a hidden window.
    p().hide();
    clock.set({2026, 12, 4, 9, 6, 45});
    p().Timer4.start();
    scheduler.advanceBy(20);
    EXPECT_EQ(p().Text15[0].caption, std::to_string(0x45));
    EXPECT_EQ(p().Text15[1].caption, std::to_string(0x06));
}

} // namespace
} // namespace orbek
