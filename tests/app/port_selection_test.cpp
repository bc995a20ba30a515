#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "core/files.hpp"
#include "core/serial_devices.hpp"
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

TEST_F(PortSelection, EachEntryNamesItsDeviceAndMarksTheMissingOnes) {
    EXPECT_EQ(start().mncom[1].caption, "COM  1");
    EXPECT_EQ(start().mncom[14].caption, "COM 14");
    writeStatus("2\r\n");
    app::Lecture_MSCOM(s());
    EXPECT_EQ(start().mncom[2].caption, "COM  2\tCOM2");
    EXPECT_EQ(start().mncom[9].caption, "COM  9\tCOM9  (missing)");
    EXPECT_EQ(start().mncom[14].caption, "COM 14\tCOM14  (missing)");
    // The menu dropping down looks again.
    port.openable.insert(9);
    start().fire("mnPCom");
    EXPECT_EQ(start().mncom[9].caption, "COM  9\tCOM9");
}

#ifndef _WIN32 // numbers map to devices through links only where the ports are device files
TEST(PortListing, TellsWhereEachNumberGoesAndHowToMapAnAdapter) {
    test::TempFolder folder;
    const auto base = folder.path() / "Station";
    const auto byId = folder.path() / "by-id";
    std::filesystem::create_directories(base);
    std::filesystem::create_directories(byId);
    test::writeBytes(folder.path() / "ttyUSB0", "");
    test::writeBytes(folder.path() / "ttyUSB1", "");
    test::writeBytes(folder.path() / "ttyUSB2", "");
    std::filesystem::create_symlink(folder.path() / "ttyUSB0", base / "com2");
    // A relative link leads from the application folder, wherever the station was started.
    std::filesystem::create_symlink("../ttyUSB2", base / "com4");
    std::filesystem::create_symlink(folder.path() / "gone", base / "com3");
    std::filesystem::create_symlink("../ttyUSB0", byId / "usb-mapped-port0");
    std::filesystem::create_symlink("../ttyUSB1", byId / "usb-new-port0");

    const std::string text = portListing(base, byId);
    const auto has = [&](const std::string& line) { return text.find(line) != std::string::npos; };
    EXPECT_TRUE(has("COM  2  " + (folder.path() / "ttyUSB0").string())) << text;
    EXPECT_TRUE(has("(link com2)\n")) << text;
    EXPECT_TRUE(has("(link com3) missing\n")) << text;
    EXPECT_TRUE(has("COM  4  " + (base / "../ttyUSB2").string() + " ")) << text;
    EXPECT_TRUE(has("(link com4)\n")) << text;
    EXPECT_TRUE(has("COM 14  /dev/ttyS13")) << text;
    // Only the adapter no number opens yet is offered, on a number that has no link.
    EXPECT_FALSE(has("usb-mapped-port0")) << text;
    EXPECT_TRUE(has("ln -s " + (byId / "usb-new-port0").string() + " " + (base / "com").string()))
        << text;
    EXPECT_FALSE(has(base.string() + "/com2\n") || has(base.string() + "/com3\n")) << text;
}
#endif

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

TEST_F(PortSelection, APortThatIsThereButWillNotOpenIsToldInABoxOnce) {
    struct Case {
        OpenError error;
        const char* box; // empty: no box
    };
    // A device only its owner may use, named past its links; a lock left by a process that
    // ended, which only its owner may remove.
    OpenError ownerOnly{OpenFailure::NoPermission, "Permission denied"};
    ownerOnly.device = "/dev/ttyUSB0";
    ownerOnly.owner = "root";
    ownerOnly.deviceGroup = "dialout";
    ownerOnly.mode = 0600;
    OpenError staleLock{OpenFailure::InUse, "The device is already locked"};
    staleLock.staleLock = "/run/lock/LCK..ttyUSB0";
    staleLock.lockPid = 4242;
    staleLock.owner = "alice";
    const Case cases[] = {
        {ownerOnly,
         "COM 2 could not be opened.\r\nDevice: /dev/ttyUSB0 (owner root, group dialout, mode "
         "0600)\r\nReason: Permission denied\r\n\r\nAsk the administrator to give the device to "
         "the dialout group with read and write for the group, for instance with the udev rule"
         "\r\n    KERNEL==\"ttyUSB0\", GROUP=\"dialout\", MODE=\"0660\"\r\nthen add your user to "
         "the dialout group and log in again."},
        {staleLock,
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: The device is already locked"
         "\r\n\r\nNo program has the device open, but the lock file /run/lock/LCK..ttyUSB0 of "
         "process 4242, which no longer holds it, stands in the way. Only alice or the "
         "administrator may remove it:\r\n    sudo rm /run/lock/LCK..ttyUSB0\r\nthen start the "
         "station again."},
        {{OpenFailure::NoDevice, "No such file or directory"}, ""},
        {{OpenFailure::NoPermission, "Permission denied", "dialout"},
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: Permission denied\r\n\r\n"
         "Add your user to the dialout group, then log in again."},
        {{OpenFailure::NoPermission, "Permission denied", "uucp"},
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: Permission denied\r\n\r\n"
         "Add your user to the uucp group, then log in again."},
        {{OpenFailure::InUse, "The device is already locked"},
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: The device is already locked"
         "\r\n\r\nAnother program is using this device. Close that program, then start the "
         "station again."},
        {{OpenFailure::InUse, "Device or resource busy", {}, "minicom (process 812)"},
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: Device or resource busy"
         "\r\n\r\nThe device is in use by minicom (process 812). Close that program, then "
         "start the station again."},
        {{OpenFailure::Other, "Invalid argument"},
         "COM 2 could not be opened.\r\nDevice: COM2\r\nReason: Invalid argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error.reason + " " + c.error.group);
        rebuild();
        port.openable = {};
        port.refusal = c.error;
        const auto boxesBefore = ui.boxes().size();
        app::Form_Load(s());
        scheduler.advanceBy(100); // start-up looks at the port a second time, and lists it once
        EXPECT_EQ(start().Label7[0].caption, "Error! Select COM Port ");
        EXPECT_EQ(eventsWith("COM 2 (COM2) could not be opened: " + c.error.reason), 1u);
        std::vector<std::string> texts;
        for (std::size_t i = boxesBefore; i < ui.boxes().size(); ++i)
            if (ui.boxes()[i].box.title == " Error !") texts.push_back(ui.boxes()[i].box.text);
        EXPECT_EQ(texts, std::string(c.box).empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{c.box});
    }
}

TEST_F(PortSelection, TheDevicePulledOutShowsAtOnceAndThePortComesBackByItself) {
    writeStatus("2\r\n");
    startUp("marigold");
    port.deliverFrame(254, 5);
    ASSERT_EQ(start().Label7[0].caption, "RS232 Activated...");
    const auto unplug = [&] {
        port.openable = {};
        port.close();
        port.event(CommEvent::DeviceRemoved);
    };
    const auto attempts = [&] { return port.openAttempts.size(); };

    unplug();
    EXPECT_EQ(start().Label7[0].caption, "RS232 Interrupted !   ");
    EXPECT_EQ(start().Label7[0].backColour, colour::red);
    EXPECT_FALSE(start().Label5[10].visible);
    EXPECT_NE(start().caption.find("Port COM 2 is not open"), std::string::npos);
    EXPECT_EQ(start().mncom[2].caption, "COM  2\tCOM2  (missing)");
    // Every 2 s a quiet try; a reason other than the missing device is told once.
    const auto before = attempts();
    scheduler.advanceBy(1999);
    EXPECT_EQ(attempts(), before);
    scheduler.advanceBy(1);
    EXPECT_EQ(attempts(), before + 1);
    port.refusal = {OpenFailure::InUse, "Device or resource busy"};
    scheduler.advanceBy(6000);
    EXPECT_EQ(attempts(), before + 4);
    EXPECT_EQ(eventsWith("could not be opened again: Device or resource busy"), 1u);
    EXPECT_EQ(eventsWith("COM 2"), 1u);

    port.openable = {2};
    scheduler.advanceBy(2000);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(events().back(), "COM 2 (COM2) opened again");
    EXPECT_NE(start().caption.find("Port RS232 port is activated"), std::string::npos);
    // The link itself is back with the controller's next frame, as after any silence.
    EXPECT_EQ(start().Label7[0].caption, "RS232 Interrupted !   ");
    // Each value returns only with the frame that sets it again: scenario stale_after_reopen.
    port.deliverFrame(254, 5);
    EXPECT_EQ(start().Label7[0].caption, "RS232 Activated...");
    scheduler.advanceBy(10000);
    EXPECT_EQ(attempts(), before + 5);

    // A second loss tells its reason again, even the one told the first time.
    unplug();
    scheduler.advanceBy(2000);
    EXPECT_EQ(eventsWith("could not be opened again: Device or resource busy"), 2u);
    // Quitting while the device is away stops the tries.
    ui.reply(MsgAnswer::Yes);
    start().fire("mnquitter");
    const auto atQuit = attempts();
    scheduler.advanceBy(10000);
    EXPECT_EQ(attempts(), atQuit);
}

} // namespace
} // namespace orbek
