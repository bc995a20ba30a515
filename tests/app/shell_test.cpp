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
    void answer(const std::string& word) {
        start().Text1.caption = word;
        start().fire("OkStart");
    }
};

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
