#include "app/shell.hpp"
#include "app/shutdown.hpp"
#include "app/startup.hpp"
#include "link/catalogue.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace orbek {
namespace {

struct Shell : test::StationFixture {
    Shell() {
        app::Form_Load(s());
        scheduler.advanceBy(30);
    }
    // The menus shown, as the level decides them.
    std::vector<std::string> levelMenus() {
        std::vector<std::string> shown;
        StartWindow& w = start();
        for (Control* c : {&w.mnPCom, &w.mnufonctions, &w.mnuCode, &w.mnuPEMUser, &w.mnuPESERVICE})
            if (c->visible) shown.push_back(c->name);
        return shown;
    }
    void answer(const std::string& word) {
        start().Text1.caption = word;
        start().fire("OkStart");
    }
};

const std::vector<std::string> kLevel0{"mnuPESERVICE"};
const std::vector<std::string> kLevel1{"mnPCom", "mnufonctions", "mnuCode", "mnuPEMUser"};

TEST_F(Shell, TheAccessWordSetsTheLevelAndItsMenus) {
    EXPECT_EQ(levelMenus(), kLevel0);
    EXPECT_FALSE(start().mnuDatalogger.enabled);

    answer("MARIGOLD");
    EXPECT_EQ(st().ServiceLevel, 0);
    EXPECT_EQ(levelMenus(), kLevel0);
    EXPECT_TRUE(start().mnuDatalogger.enabled);
    EXPECT_FALSE(start().Picture8.visible);
    EXPECT_EQ(start().Text1.caption, "");
    EXPECT_FALSE(s().models().Parametres->Check1.visible);

    start().fire("mnuPESERVICE");
    EXPECT_TRUE(start().Picture8.visible);
    EXPECT_EQ(start().Picture8.left, (start().width - StartWindow::kPasswordBoxWidth) / 3);
    EXPECT_EQ(start().Picture8.top, (start().height - StartWindow::kPasswordBoxHeight) / 3);
    EXPECT_TRUE(start().Timer13.enabled());
    answer("jUnIpEr");
    EXPECT_EQ(st().ServiceLevel, 1);
    EXPECT_EQ(levelMenus(), kLevel1);
    EXPECT_TRUE(s().models().Parametres->Check1.visible);

    start().fire("mnuPEMUser");
    EXPECT_EQ(st().ServiceLevel, 0);
    EXPECT_EQ(levelMenus(), kLevel0);
    EXPECT_TRUE(s().models().Parametres->Check1.visible); // the switch keeps its visibility
    EXPECT_FALSE(s().ended());
}

TEST_F(Shell, AWrongOrEmptyWordEndsTheStation) {
    for (const char* word : {"marigold ", "", "juniperx"}) {
        SCOPED_TRACE(word);
        rebuild();
        app::Form_Load(s());
        scheduler.advanceBy(30);
        answer(word);
        EXPECT_TRUE(s().ended());
        EXPECT_EQ(s().endReason(), "wrong access word"); // the program tells it on stderr
        EXPECT_EQ(st().ServiceLevel, 2);
        EXPECT_TRUE(port.written.empty());
    }
}

TEST_F(Shell, NameIncDecidesTheWords) {
    const auto nameInc = s().paths.userFile("Name.inc");
    // An empty line makes the empty answer a word; a word on both lines gives level 1.
    std::ofstream(nameInc, std::ios::binary) << "\"\"\r\n\"same\"\r\n";
    answer("");
    EXPECT_FALSE(s().ended());
    EXPECT_EQ(st().ServiceLevel, 0);

    std::ofstream(nameInc, std::ios::binary) << "\"same\"\r\n\"Same\"\r\n";
    answer("SAME");
    EXPECT_EQ(st().ServiceLevel, 1);

    // A file of one line: the missing word is the default one, and the list says so.
    std::ofstream(nameInc, std::ios::binary) << "\"keeper\"\r\n";
    answer("juniper");
    EXPECT_EQ(st().ServiceLevel, 1);
    EXPECT_EQ(eventsWith("Name.inc"), 1u);
    EXPECT_FALSE(s().ended());
}

TEST_F(Shell, TheSaturationQuestionComesAboveThirtyTwoThousandLines) {
    StartWindow& w = start();
    for (std::size_t i = 0; i < app::kListSaturation; ++i)
        w.List2.items.push_back("x");
    scheduler.advanceBy(60000);
    EXPECT_EQ(ui.boxes().size(), 1u); // only the port message of the first start

    w.List2.items.push_back("one more");
    ui.reply(MsgAnswer::No);
    scheduler.advanceBy(60000);
    ASSERT_EQ(ui.boxes().size(), 2u);
    EXPECT_EQ(box(1), " Caution !|The List Is Satured, Please Clear The List");
    EXPECT_EQ(ui.boxes()[1].box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(w.List2.items.size(), app::kListSaturation + 1);

    ui.reply(MsgAnswer::Yes);
    scheduler.advanceBy(60000);
    EXPECT_EQ(ui.boxes().size(), 3u);
    EXPECT_TRUE(w.List2.items.empty());
}

TEST_F(Shell, LogPlotterAndClearSwitchTheViewAndClearWhatIsShown) {
    StartWindow& w = start();
    s().addEvent(" PC --> Stamp      START");
    w.Picture5Canvas.point(5, 5, Rgb{255, 0, 0});

    w.fire("Log");
    EXPECT_EQ(st().EventListShown, 1);
    EXPECT_TRUE(w.List2.visible);
    EXPECT_FALSE(w.Picture5.visible);
    EXPECT_FALSE(w.Picture7.visible);
    w.fire("EffScreenGraph");
    EXPECT_TRUE(w.List2.items.empty());
    EXPECT_EQ(w.Picture5Canvas.pixel(5, 5), (Rgb{255, 0, 0}));

    s().addEvent("kept");
    w.fire("Oscillo");
    EXPECT_EQ(st().EventListShown, 0);
    EXPECT_FALSE(w.List2.visible);
    EXPECT_TRUE(w.Picture5.visible);
    w.fire("EffScreenGraph");
    EXPECT_EQ(w.List2.items.size(), 1u);
}

TEST_F(Shell, TheScaleFollowsTheUnitAndTheLimitMarkTheExternalBoard) {
    st().Coefficients[8] = 1.0;
    st().ExtBoardPresent = 0;
    app::TableDegres(s());
    EXPECT_EQ(start().Label6[4].caption, "158 F");
    EXPECT_TRUE(start().Label6[4].visible);
    EXPECT_FALSE(start().Label6[8].visible);
    st().Coefficients[8] = Variant();
    st().ExtBoardPresent = 1;
    app::TableDegres(s());
    EXPECT_EQ(start().Label6[8].caption, "120°C");
    EXPECT_FALSE(start().Label6[4].visible);
    EXPECT_TRUE(start().Label6[8].visible);
}

TEST_F(Shell, QuitAsksThenClosesThePortStopsTheTimersAndUnloadsInOrder) {
    ASSERT_TRUE(port.isOpen());
    ui.reply(MsgAnswer::No);
    start().fire("mnquitter");
    EXPECT_EQ(box(), " Caution !|Are You Sure To Quit ?");
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(s().ended());
    EXPECT_TRUE(start().loaded());

    Station::Windows& m = s().models();
    std::vector<WindowModel*> all{m.Start.get(),        m.Parametres.get(),  m.Usures.get(),
                                  m.TestsMV.get(),      m.DataLogger.get(),  m.Boitestop.get(),
                                  m.CodeDialogue.get(), m.Codeserreurs.get()};
    std::vector<std::string> unloaded;
    bool portOpenAtFirstUnload = true;
    for (WindowModel* window : all) {
        window->touch();
        window->onStateChanged = [&](WindowModel& changed) {
            if (unloaded.empty()) portOpenAtFirstUnload = port.isOpen();
            if (!changed.loaded()) unloaded.push_back(changed.name());
        };
    }
    start().Timer1.start(); // a start request in progress is not finished by quitting
    const std::size_t writes = port.written.size();

    ui.reply(MsgAnswer::Yes);
    start().fire("mnquitter");
    EXPECT_FALSE(portOpenAtFirstUnload);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(unloaded,
              (std::vector<std::string>{"Boitestop", "CodeDialogue", "Codeserreurs", "TestsMV",
                                        "DataLogger", "Usures", "Parametres", "Start"}));
    for (WindowModel* window : all)
        for (Timer* t : window->timers())
            EXPECT_FALSE(t->enabled()) << window->name() << "." << t->name();
    EXPECT_TRUE(ui.ended());
    EXPECT_TRUE(s().ended());
    EXPECT_EQ(s().endReason(), "");
    scheduler.advanceBy(10000);
    EXPECT_EQ(port.written.size(), writes);
    EXPECT_FALSE(m.Start->loaded()); // nothing loads it again after the end
}

TEST_F(Shell, QuitWithThePortNeverOpenedEndsNormally) {
    port.close();
    app::QuittFinal(s());
    EXPECT_TRUE(s().ended());
    EXPECT_FALSE(s().models().Usures->loaded()); // never opened, never loaded to be unloaded
}

TEST_F(Shell, TheCodeListHoldsItsLinesOnceAndIsCentredOnTheMainWindow) {
    start().left = 1200;
    start().fire("mnuCodeDialogue");
    CodeDialogueWindow& w = *s().models().CodeDialogue;
    ASSERT_TRUE(w.shown());
    const auto& lines = w.List1.items;
    ASSERT_EQ(lines.size(), 125u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 31);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](std::string_view l) { return l.rfind("253,20", 0) == 0; }),
              2);
    EXPECT_EQ(lines[1], "255,0     PC --> Stamp  (Transmission test) = Ready");
    EXPECT_EQ(lines[123], "197,1     Stamp --> PC, Trigger Detector Level (AD1)");
    EXPECT_EQ(w.caption, " Communication Codes between PC and Stamp");

    scheduler.advanceBy(20);
    EXPECT_EQ(w.left, 1200 + start().width / 2 - w.width / 2);
    EXPECT_FALSE(w.Timer1.enabled());

    start().fire("mnuCodeDialogue");
    EXPECT_EQ(w.List1.items.size(), 125u);
    w.fire("Command1");
    EXPECT_FALSE(w.loaded());
    start().fire("mnuCodeDialogue");
    EXPECT_EQ(w.List1.items.size(), 125u);
    EXPECT_TRUE(w.Timer1.enabled()); // placed anew
}

TEST_F(Shell, TheErrorCodeWindowOpensOnceAndQuits) {
    start().fire("mnucodeserreurs");
    start().fire("mnucodeserreurs");
    CodeserreursWindow& w = *s().models().Codeserreurs;
    ASSERT_TRUE(w.shown());
    EXPECT_EQ(w.Label1[0].caption, "001");
    EXPECT_EQ(w.Label2[7].caption, "Magnetron Temperature ");
    EXPECT_EQ(w.Label3[8].caption, ": low luminosity  (LFC)");
    for (int i = 9; i < CodeserreursWindow::kRows; ++i)
        EXPECT_EQ(w.Label1[i].caption + w.Label2[i].caption + w.Label3[i].caption, "");
    scheduler.advanceBy(20);
    EXPECT_EQ(w.left, start().left + start().width / 2 - w.width / 2);
    w.fire("CodeError");
    EXPECT_FALSE(w.loaded());
    start().fire("mnucodeserreurs");
    EXPECT_TRUE(w.shown());
}

TEST(Catalogue, AnExactValueWinsOverAnyValueAndUnhandledCodesAreUnknown) {
    using link::Direction;
    const link::Message* restart = link::findMessage(Direction::In, 253, 14);
    ASSERT_NE(restart, nullptr);
    EXPECT_EQ(restart->value, 14);
    const link::Message* step = link::findMessage(Direction::In, 253, 7);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->value, link::kAnyValue);
    const link::Message* start = link::findMessage(Direction::Out, 255, 1);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->ackCode, link::code::Cycle);
    EXPECT_EQ(link::findMessage(Direction::Out, 255, 2)->ackValue, 2);
    // Listed in the window, neither sent nor handled.
    EXPECT_FALSE(link::isKnown(Direction::In, 231, 5));
    EXPECT_FALSE(link::isKnown(Direction::Out, 198, 0));
    EXPECT_FALSE(link::isKnown(Direction::In, 254, 1));
    // Used by the station, absent from the window.
    EXPECT_TRUE(link::isKnown(Direction::Out, 195, 1));
    EXPECT_TRUE(link::isKnown(Direction::In, 194, 1));
}

} // namespace
} // namespace orbek
