// A session recorded on virtual time replays with the same orders and event-list lines: the
// answer to a box opened by a frame comes before that frame, frames that arrive while the box
// is open come inside it, and the file is a valid scenario at every moment.
#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "replay/compare.hpp"
#include "replay/recorder.hpp"
#include "replay/replay.hpp"
#include "station/assembled_station.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace orbek {
namespace {

namespace fs = std::filesystem;

struct RecordingTest : ::testing::Test {
    test::TempFolder folder;
    Scheduler scheduler;
    MemoryPort line{scheduler};
    ScriptedUiHost host{scheduler};
    FixedClock wall{DateTime{2026, 12, 4, 9, 15, 0, 6, 250}};
    replay::SessionRecorder recorder{scheduler, line, host, wall};
    std::unique_ptr<Station> station;
    fs::path file = folder.path() / "session.scenario";

    RecordingTest() {
        Paths paths{folder.path() / "Station", folder.path() / "user"};
        fs::create_directories(paths.appFolder);
        fs::create_directories(paths.userFolder);
        station = std::make_unique<AssembledStation>(scheduler, recorder.port(), recorder.ui(),
                                                     recorder.clock(), paths);
        recorder.attach(*station);
    }

    StartWindow& start() { return *station->models().Start; }

    // The controller's frame at `time`, as the line hands it over.
    void frameAt(int64_t time, int code, int value) {
        scheduler.at(time, [this, code, value] { line.deliverFrame(code, value); });
    }

    std::string recording() const {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The recording played on virtual time from its saved configuration files.
    std::string replayed(const std::string& text) {
        const fs::path app = folder.path() / "replay" / "Station";
        std::string why;
        EXPECT_TRUE(replay::loadConfiguration(file.string() + ".base", app, app / "user", &why))
            << why;
        std::ostringstream out;
        EXPECT_TRUE(replay::run(replay::parse(text), {app, app / "user"}, out)) << out.str();
        return out.str();
    }
};

std::size_t at(const std::string& text, const std::string& what) {
    const auto found = text.find(what);
    EXPECT_NE(found, std::string::npos) << what;
    return found;
}

TEST_F(RecordingTest, AWholeRunReplaysWithItsOrdersAndEventListBoxesAnsweredWhereTheyOpened) {
    // A user folder closed to others, as the station leaves it: so is its saved copy, and the
    // replay's station finds it closed too. The recording, with the access words typed, is
    // closed as well.
    std::ofstream(folder.path() / "user" / "Name.inc") << "\"marigold\"\r\n\"juniper\"\r\n";
    fs::permissions(folder.path() / "user" / "Name.inc",
                    fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(folder.path() / "user", fs::perms::owner_all);
    ASSERT_TRUE(recorder.start(file, nullptr));
#ifndef _WIN32 // Windows keeps no owner/other permission bits
    EXPECT_EQ(fs::status(file.string() + ".base/user").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
    recorder.runStart([&] { app::Form_Load(*station); });
    // The lamp's run, the cooling countdown in the wait box, and the ready state's box.
    const struct {
        int64_t time;
        int code, value;
    } frames[] = {{3601, 253, 1},   {4101, 238, 1},   {5101, 238, 2},   {6101, 238, 3},
                  {7101, 238, 4},   {8003, 251, 45},  {8013, 250, 120}, {12003, 254, 2},
                  {13003, 252, 60}, {14003, 252, 59}, {17003, 252, 1},  {18003, 252, 0},
                  {20003, 254, 0},  {20303, 254, 5},  {20901, 253, 1}};
    for (const auto& f : frames)
        frameAt(f.time, f.code, f.value);
    std::string whileOpen;
    scheduler.at(20000, [&] { host.reply(MsgAnswer::Ok, 700); });
    host.onMessage = [&](const ScriptedUiHost::Shown& shown) {
        if (shown.time > 20000) whileOpen = recording();
    };

    // The user types the access word, starts, sets the power, stops: between the station's
    // own items, as a person does.
    scheduler.advanceTo(203);
    start().Text1.caption = "marigold";
    start().fire("Text1:Change"); // as the view tells it
    scheduler.advanceTo(213);
    start().fire("OkStart");
    scheduler.advanceTo(1503);
    start().fire("Startbouton");
    scheduler.advanceTo(2001);
    line.event(CommEvent::Frame);
    scheduler.advanceTo(9003);
    start().VScroll1[5].value = 60;
    start().fire("VScroll1[5]:Scroll");
    start().fire("VScroll1[5]:Change");
    start().fire("Command7");
    start().Check1.checked = false;
    start().fire("Check1");
    scheduler.advanceTo(10003);
    start().fire("Stopbouton");
    scheduler.advanceTo(21007);
    recorder.stop();

    const std::string text = recording();
    const auto scenario = replay::parse(text);
    EXPECT_TRUE(scenario.errors.empty()) << scenario.errors.front();
    EXPECT_LT(at(text, "       0 clock 2026-12-04 09:15:00.250"), at(text, "       0 start"));
    EXPECT_LT(at(text, "type Start.Text1 marigold"), at(text, "click Start.OkStart"));
    at(text, "value Start.VScroll1[5] 60 Scroll\r\n");
    at(text, "check Start.Check1 0\r\n");
    at(text, "comm 1004");
    // The box opened by the ready frame: its answer first, the frame, then what came inside.
    const std::size_t answer = at(text, "   20003 answer Ok 700");
    EXPECT_LT(answer, at(text, "   20003 bytes 000, 254, 000, S\\r\\n"));
    EXPECT_LT(answer, at(text, "   20303 bytes 000, 254, 005, S\\r\\n"));
    EXPECT_LT(at(text, "MODAL Boitestop"), at(text, "   14003 bytes"));
    at(text, " end\r\n");

    // Cut short while the box was open, the file is a scenario that leaves the box open.
    EXPECT_NE(whileOpen.find("   20003 answer Ok 999999999999"), std::string::npos);
    EXPECT_TRUE(replay::parse(whileOpen).errors.empty());

    const std::string output = replayed(text);
    const auto same = replay::compareRecording(text, output);
    EXPECT_TRUE(same.same) << same.differences.front() << "\n" << text << output;
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 60);
    // A replay that sent one order otherwise is told at its first difference.
    std::string wrong = output;
    wrong.replace(at(wrong, "TX 000 255 002"), 14, "TX 000 255 009");
    const auto differs = replay::compareRecording(text, wrong);
    ASSERT_FALSE(differs.same);
    EXPECT_NE(differs.differences.front().find("recorded \"TX 000 255 002\""), std::string::npos)
        << differs.differences.front();
}

TEST_F(RecordingTest, TheFileMenuEntryRecordsFromTheMiddleOfASessionAtServiceLevel) {
    recorder.runStart([&] { app::Form_Load(*station); });
    scheduler.advanceTo(200);
    Control& entry = start().mnuEnregistrer;
    EXPECT_FALSE(entry.visible);
    start().Text1.caption = "juniper";
    start().fire("OkStart");
    EXPECT_TRUE(entry.visible);
    EXPECT_EQ(entry.caption, "Record session...");

    // A file that cannot be written: the box says why, nothing records.
    host.nextFileName = (folder.path() / "missing" / "x.scenario").string();
    start().fire("mnuEnregistrer");
    ASSERT_FALSE(host.boxes().empty());
    EXPECT_EQ(host.boxes().back().box.title, " Error !");
    EXPECT_FALSE(recorder.recording());

    host.nextFileName = file.string();
    scheduler.advanceTo(1003);
    start().fire("mnuEnregistrer");
    ASSERT_TRUE(recorder.recording());
    EXPECT_EQ(entry.caption, "Stop recording session");
    EXPECT_TRUE(entry.checked);
    EXPECT_TRUE(fs::exists(file.string() + ".base/user/Name.inc"));
    EXPECT_TRUE(fs::exists(file.string() + ".base/DataCoeff.ini"));
    scheduler.advanceTo(1203);
    line.deliverFrame(254, 5);
    scheduler.advanceTo(1503);
    start().fire("Startbouton");
    // A file dialog left open a while: its answer, then the click that opened it.
    host.nextFileName = (folder.path() / "Station" / "Data" / "run.txt").string();
    host.nextFileWaitMs = 400;
    scheduler.advanceTo(2003);
    station->DataLogger().fire("Command1");
    // The device lost, and back a while later: the station opens it again by itself.
    scheduler.advanceTo(2703);
    line.openAny = false;
    line.close();
    line.event(CommEvent::DeviceRemoved);
    scheduler.advanceTo(3003);
    line.openAny = true;
    scheduler.advanceTo(6007);
    ASSERT_TRUE(line.isOpen());
    start().fire("mnuEnregistrer");
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(entry.caption, "Record session...");
    EXPECT_EQ(start().List2.items.back(), "Session recording stopped: " + file.string());

    // A fresh station logged in at service level, then the session from 100 ms on.
    const std::string text = recording();
    EXPECT_LT(at(text, "       0 start"), at(text, "      50 type Start.Text1 juniper"));
    EXPECT_LT(at(text, "     100 clock"), at(text, "# session from 100 ms"));
    at(text, "     300 bytes 000, 254, 005, S\\r\\n");
    at(text, "     600 click Start.Startbouton");
    EXPECT_LT(at(text, " answer file Data/run.txt 39"), at(text, " click DataLogger.Command1"));
    EXPECT_LT(at(text, "    1800 port unplug\r\n"), at(text, "    3800 port plug\r\n"));
    at(text, "    3800 LIST COM 2 (LINE) opened again\r\n");
    at(text, "    5104 end");
    EXPECT_EQ(text.find("mnuEnregistrer"), std::string::npos);
    const auto same = replay::compareRecording(text, replayed(text));
    EXPECT_TRUE(same.same) << same.differences.front();
}

TEST_F(RecordingTest, RecordingsStartedWithoutTheLineReplayWithoutItUntilItComesBack) {
    const auto same = [&] {
        const std::string text = recording();
        const auto compared = replay::compareRecording(text, replayed(text));
        EXPECT_TRUE(compared.same) << compared.differences.front() << "\n" << text;
    };
    // A line missing since the start: the station does not try it again, nothing is sent.
    line.openAny = false;
    recorder.runStart([&] { app::Form_Load(*station); });
    scheduler.advanceTo(200);
    start().Text1.caption = "juniper";
    start().fire("OkStart");
    ASSERT_TRUE(recorder.start(file, nullptr));
    line.openAny = true;
    scheduler.advanceTo(1503);
    station->Parametres().fire("Lecture");
    scheduler.advanceTo(3007);
    recorder.stop();
    same();

    // A line lost: back a while later, opened again by the station's next try (the replay's
    // tries fall at the same times), and the controller speaks at once.
    app::Lecture_MSCOM(*station);
    line.openAny = false;
    line.close();
    line.event(CommEvent::DeviceRemoved);
    file = folder.path() / "lost.scenario";
    fs::remove_all(folder.path() / "replay"); // the second replay starts afresh too
    scheduler.advanceTo(4003);
    ASSERT_TRUE(recorder.start(file, nullptr));
    scheduler.advanceTo(6003);
    line.openAny = true;
    scheduler.advanceTo(7503);
    line.deliverFrame(253, 1);
    scheduler.advanceTo(9007);
    recorder.stop();
    same();
}

TEST(RecordingText, StepTextsKeepTheirBlanksAndControlsThroughTheScenarioLanguage) {
    for (const std::string& text :
         std::vector<std::string>{"000, 253, 001, S\r\n000, ", "  \\ \x01", ""}) {
        const auto scenario = replay::parse("0 bytes " + replay::stepText(text) + "  \n");
        ASSERT_EQ(scenario.steps.size(), 1u);
        EXPECT_EQ(replay::unescape(scenario.steps[0].argument), text);
    }
}

} // namespace
} // namespace orbek
