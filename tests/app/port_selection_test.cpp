#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/file_bytes.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

#include <set>

namespace orbek {
namespace {

struct PortSelection : test::StationFixture {
    void writeStatus(const std::string& bytes) {
        test::writeBytes(s().appFile("status.ini"), bytes);
    }
    std::string statusBytes() { return test::bytesOf(s().appFile("status.ini")); }
    std::vector<int> ticked() {
        std::vector<int> t;
        for (int n = 1; n <= 14; ++n)
            if (start().mncom[n].checked) t.push_back(n);
        return t;
    }
};

TEST_F(PortSelection, MenuCaptionsHaveTwoBlanksBeforeOneDigit) {
    EXPECT_EQ(start().mncom[1].caption, "COM  1");
    EXPECT_EQ(start().mncom[9].caption, "COM  9");
    EXPECT_EQ(start().mncom[10].caption, "COM 10");
    EXPECT_EQ(start().mncom[14].caption, "COM 14");
}

TEST_F(PortSelection, ChoosingAPortSavesItEndsTheStationAndTheNextStartOpensIt) {
    port.openable = {2, 3};
    writeStatus("2\r\n");
    app::Lecture_MSCOM(s());
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(ticked(), (std::vector<int>{2}));

    app::mncom_Click(s(), 3);
    EXPECT_EQ(statusBytes(), "3\r\n");
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].box.text, "Save Confirmed Selections \r\nRe-Start Program ");
    EXPECT_EQ(ui.boxes()[0].box.icon, MsgIcon::Information);
    EXPECT_TRUE(ui.ended());
    EXPECT_TRUE(s().ended());
    EXPECT_EQ(port.number(), 2); // the running station never reopens

    port.close();
    rebuild();
    app::Lecture_MSCOM(s());
    EXPECT_EQ(port.number(), 3);
    EXPECT_EQ(ticked(), (std::vector<int>{3}));
    EXPECT_EQ(start().Label7[0].caption, "Activated");
    EXPECT_EQ(start().Label7[0].backColour, 0x80FF80u);
    EXPECT_TRUE(start().mnuDataloggerOFF.checked);
    EXPECT_FALSE(start().mnufichierdatalogger.checked);
    EXPECT_FALSE(start().Timer6.enabled());

    // The second call at start-up repeats the display and opens nothing more.
    app::Lecture_MSCOM(s());
    EXPECT_EQ(port.openAttempts.size(), 2u);
    EXPECT_EQ(start().Label7[0].caption, "Activated");
}

TEST_F(PortSelection, ZeroOrTextOpensNothingAndChangesNothing) {
    for (const char* content : {"0\r\n", "none\r\n", ""}) {
        SCOPED_TRACE(content);
        writeStatus(content);
        app::Lecture_MSCOM(s());
        EXPECT_TRUE(ticked().empty());
        EXPECT_TRUE(port.openAttempts.empty());
        EXPECT_EQ(start().Label7[0].caption, "---");
        EXPECT_FALSE(start().Timer6.enabled());
        EXPECT_TRUE(ui.boxes().empty());
    }
}

TEST_F(PortSelection, APortThatWillNotOpenShowsTheErrorAndOutOfRangeNumbersAreStillTried) {
    port.openable = {};
    writeStatus("20\r\n");
    app::Lecture_MSCOM(s());
    EXPECT_TRUE(ticked().empty());
    EXPECT_EQ(port.openAttempts, (std::vector<int>{20}));
    EXPECT_EQ(start().Label7[0].caption, "Error! Select COM Port ");
    EXPECT_EQ(start().Label7[0].backColour, 0x0000FFu);
    EXPECT_TRUE(start().Timer6.enabled());
    EXPECT_FALSE(events().empty()); // the event list says which device failed
    EXPECT_TRUE(ui.boxes().empty());
}

TEST_F(PortSelection, TheTitleBarSaysThePortIsActivatedOnlyWhileItIsOpen) {
    const auto title = [&](const std::string& portPart) {
        return "ORBEK V: 1.14h / BS2p24 - V: x.xxx" + portPart + st().BasePath;
    };
    const auto startWith = [&](const std::string& status, std::set<int> openable) {
        port.close();
        rebuild();
        port.openable = std::move(openable);
        writeStatus(status);
        app::Form_Load(s());
        scheduler.advanceBy(30);
    };
    startWith("2\r\n", {2});
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(start().caption, title("     Port RS232 port is activated   "));
    // The adapter pulled out: the port closes and the title stops claiming it.
    port.close();
    port.event(CommEvent::DeviceRemoved);
    EXPECT_EQ(start().caption, title("     Port COM 2 is not open   "));

    startWith("20\r\n", {});
    EXPECT_EQ(start().caption, title("     Port COM 20 is not open   "));
    startWith("0\r\n", {});
    EXPECT_EQ(start().caption, title("     No RS232 port chosen   "));
}

TEST_F(PortSelection, AChoiceThatCannotBeSavedIsNotConfirmedAndTheStationRuns) {
    writeStatus("2\r\n");
    // A folder in the way of the file makes the save fail.
    std::filesystem::remove(s().appFile("status.ini"));
    std::filesystem::create_directories(s().appFile("status.ini") / "x");
    app::mncom_Click(s(), 5);
    EXPECT_FALSE(s().ended());
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].box.title, " Error !");
    EXPECT_NE(lastEvent().find("status.ini"), std::string::npos);
}

} // namespace
} // namespace orbek
