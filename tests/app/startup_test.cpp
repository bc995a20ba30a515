#include "app/shell.hpp"
#include "app/startup.hpp"
#include "core/files.hpp"
#include "display/plot.hpp"
#include "logging/data_logger.hpp"
#include "support/file_bytes.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

#include <map>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace orbek {
namespace {

namespace fs = std::filesystem;

using test::bytesOf;
using test::writeBytes;

// Each entry of the folder with its bytes; folders end in '/' and hold "".
std::map<std::string, std::string> entriesOf(const fs::path& folder) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(folder))
        all[e.path().filename().string() + (e.is_directory() ? "/" : "")] =
            e.is_directory() ? "" : bytesOf(e.path());
    return all;
}

std::string repeatLine(const std::string& line, int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += line + "\r\n";
    return text;
}

struct Startup : test::StationFixture {
    fs::path app() { return s().paths.appFolder; }
    fs::path user() { return s().paths.userFolder; }

    void startStation() {
        app::Form_Load(s());
        scheduler.advanceBy(30);
    }
};

TEST_F(Startup, FirstStartCreatesExactlyTheDefaultFilesAndTellsAboutThePort) {
    startStation();

    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(box(0),
              " Attention !|Please Parametrate COM Ports.  \r\n No COM Port Was Assignated !");
    EXPECT_EQ(ui.boxes()[0].box.icon, MsgIcon::Critical);

    using Files = std::map<std::string, std::string>;
    EXPECT_EQ(
        entriesOf(app()),
        (Files{{"status.ini", "2\r\n"},
               {"SHTAlarm.txt", "\r\n"},
               {"NS.ini", "0\r\n0\r\n0\r\n0\r\n"},
               {"LevelPW.ini", "80\r\n"},
               {"LevLgGraph.ini", "25\r\n70\r\n"},
               {"StartHalogen.ini", "0\r\n"},
               {"Counter.ini", repeatLine("00000000", 3)},
               {"TypeFile.ini", repeatLine("0", 17) + " \r\n" + repeatLine("0", 11)},
               {"DataCoeff.ini", "0\r\n1\r\n4\r\n2\r\n1\r\n1\r\n1\r\n65\r\n" + repeatLine("0", 7)},
               {"Data/", ""},
               {"Img/", ""}}));
    EXPECT_EQ(entriesOf(user()), (Files{{"Name.inc", "\"marigold\"\r\n\"juniper\"\r\n"},
                                        {"SWord.inx", "\"5821\"\r\n\"5822\"\r\n\"5823\"\r\n"}}));
    EXPECT_TRUE(entriesOf(app() / "Data").empty());

    // What the window and the parameter window show: scenario first_start. The scale's ticks
    // every ten pixels, x 10 to 14:
    StartWindow& w = start();
    EXPECT_EQ(w.Picture7Canvas.pixel(12, 255), (Rgb{255, 255, 255}));
    EXPECT_EQ(w.Picture7Canvas.pixel(12, 250), (Rgb{0, 0, 0}));
    EXPECT_EQ(w.Picture7Canvas.pixel(12, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(st().Coefficients[7], Variant(65.0));
    EXPECT_TRUE(st().Coefficients[15].isEmpty());

    // The focus goes into the password field once the box is on screen.
    const uint64_t before = w.focusRequest;
    scheduler.advanceBy(30);
    EXPECT_EQ(w.focusRequest, before + 1);
    EXPECT_EQ(w.focusControl, "Text1");
    EXPECT_FALSE(w.Timer13.enabled());
}

TEST_F(Startup, SecondStartCreatesAndRewritesNothingAndLoadsTheSettings) {
    startStation();
    writeBytes(app() / "LevelPW.ini", "55\r\n");
    writeBytes(app() / "DataCoeff.ini",
               "3\r\n1.5\r\n4\r\n2\r\n1\r\n1\r\n1\r\n65\r\n1\r\n" + repeatLine("0", 6));
    writeBytes(app() / "NS.ini", "1.23\r\n1\r\n0\r\n1\r\n");
    const auto snapshot = [&] {
        std::map<fs::path, std::pair<std::string, fs::file_time_type>> all;
        for (const fs::path& folder : {app(), user()})
            for (const auto& e : fs::recursive_directory_iterator(folder))
                all[e.path()] = {e.is_regular_file() ? bytesOf(e.path()) : "",
                                 fs::last_write_time(e.path())};
        return all;
    };
    const auto before = snapshot();
    const std::size_t boxes = ui.boxes().size();

    rebuild();
    startStation();

    EXPECT_EQ(ui.boxes().size(), boxes);
    EXPECT_EQ(snapshot(), before);

    StartWindow& w = start();
    EXPECT_EQ(w.VScroll1[5].value, 55);
    EXPECT_EQ(st().Readings[5], 55);
    EXPECT_EQ(w.Label56.caption, " Set Power = 550 Watts");
    // A ninth line not 0: the Fahrenheit scale and the F button marked.
    EXPECT_EQ(w.Label6[0].caption, "32 F");
    EXPECT_EQ(w.Label6[9].caption, "262 F");
    ParametresWindow& p = *s().models().Parametres;
    EXPECT_EQ(p.Fharen.backColour, 0x80F280u);
    EXPECT_EQ(p.Degres.backColour, colour::buttonFace);
    EXPECT_EQ(p.Text2[0].caption, "3");
    EXPECT_EQ(p.Text2[1].caption, "1.5");
    EXPECT_TRUE(events().empty());
    // A power sent before any drag stores the power it has.
    w.fire("Label56");
    EXPECT_EQ(bytesOf(app() / "LevelPW.ini"), "55\r\n");
}

TEST_F(Startup, TheApplicationFolderIsTheTopLevelFolderThatReallyHoldsTheDirectoryAndAStation) {
    const fs::path home = folder.path() / "home";
    for (const char* name : {"Sta", "Station/bin", "Stationery", "src/orbek"})
        fs::create_directories(home / name);
    for (const char* station : {"Sta", "Station", "Stationery"})
        writeBytes(home / station / "status.ini", "2\r\n");
    writeBytes(home / "notes", "x");
    const fs::path outside = folder.path() / "mnt" / "stick";
    fs::create_directories(outside);
    const fs::path fallback = folder.path() / "share" / "orbek-station";

    const auto found = [&](const fs::path& here) {
        Paths paths;
        paths.home = home;
        paths.currentDir = here;
        paths.fallback = fallback;
        return app::findApplicationFolder(paths);
    };
    const fs::path canonicalHome = fs::canonical(home);
    EXPECT_EQ(found(home / "Station" / "bin"), canonicalHome / "Station");
    EXPECT_EQ(found(home / "Station"), canonicalHome / "Station");
    // The shorter name is no prefix match, whichever the listing gives first.
    EXPECT_EQ(found(home / "Sta"), canonicalHome / "Sta");
    EXPECT_EQ(found(home / "Stationery"), canonicalHome / "Stationery");
    // A folder without a station (a clone under ~/src), not below the home, or the home itself
    // (the root of the drive): the fallback.
    EXPECT_EQ(found(home / "src" / "orbek"), fallback);
    EXPECT_EQ(found(outside), fallback);
    EXPECT_EQ(found(home), fallback);
    EXPECT_EQ(found(folder.path() / "homework"), fallback);

    Paths overridden;
    overridden.appFolder = outside;
    overridden.home = home;
    overridden.currentDir = home / "Station" / "bin";
    EXPECT_EQ(app::findApplicationFolder(overridden), outside);

    // The load handler settles the folder and creates the fallback when it is needed.
    s().paths.appFolder.clear();
    s().paths.home = home;
    s().paths.currentDir = outside;
    s().paths.fallback = fallback;
    app::Form_Load(s());
    EXPECT_EQ(st().BasePath, fallback.string());
    EXPECT_TRUE(fs::exists(fallback / "status.ini"));
    EXPECT_TRUE(fs::is_directory(fallback / "Data"));

    app::mnuAdressesoft_Click(s());
    EXPECT_EQ(box(), "  |Software Address = " + fallback.string());
    EXPECT_EQ(ui.boxes().back().box.icon, MsgIcon::Information);
    st().BasePath.clear();
    app::mnuAdressesoft_Click(s());
    EXPECT_EQ(box(), "  |Software Address = ");
}

TEST_F(Startup, ShortAndGarbledFilesGetDefaultsAndOneLineEachWithoutBeingRewritten) {
    writeBytes(app() / "status.ini", "2\r\n");
    writeBytes(app() / "DataCoeff.ini", "7\r\nabc\r\n4\r\n2\r\n1\r\n");
    writeBytes(app() / "LevelPW.ini", "full\r\n");
    startStation();

    EXPECT_EQ(st().Coefficients[0], Variant(7.0));
    EXPECT_EQ(st().Coefficients[1], Variant(1.0)); // garbled: the default, not 0
    EXPECT_EQ(st().Coefficients[7], Variant(65.0));
    EXPECT_EQ(st().Coefficients[8], Variant(0.0));
    EXPECT_EQ(start().Label6[0].caption, "0°C");
    EXPECT_EQ(eventsWith("DataCoeff.ini"), 2u); // the short file and the garbled line
    EXPECT_EQ(bytesOf(app() / "DataCoeff.ini"), "7\r\nabc\r\n4\r\n2\r\n1\r\n");

    EXPECT_EQ(eventsWith("LevelPW.ini"), 1u);
    EXPECT_EQ(start().VScroll1[5].value, 80);
    EXPECT_EQ(start().Label56.caption, " Set Power = ");
    EXPECT_EQ(bytesOf(app() / "LevelPW.ini"), "full\r\n");

    // An empty NS.ini reads as a stopped machine with nothing stored.
    writeBytes(app() / "NS.ini", "");
    st().RunActive = 1;
    app::Read_NSINI(s());
    EXPECT_EQ(st().SavedStampVersion, "0");
    EXPECT_EQ(st().RunActive, 0);
    EXPECT_EQ(eventsWith("NS.ini"), 1u);
    EXPECT_EQ(bytesOf(app() / "NS.ini"), "");
}

TEST_F(Startup, FilesAndFoldersThatCannotBeCreatedAreReportedAndTheStationRuns) {
    // Entries of the wrong kind stand where the station wants to create its own.
    writeBytes(app() / "Img", "not a folder");
    fs::create_directories(app() / "NS.ini");
    fs::remove_all(user());
    writeBytes(user(), "not a folder");
    startStation();

    EXPECT_EQ(eventsWith("Img"), 1u);
    EXPECT_EQ(eventsWith("NS.ini"), 1u);
    EXPECT_EQ(eventsWith("Name.inc"), 1u);
    EXPECT_EQ(eventsWith("SWord.inx"), 1u);
    EXPECT_FALSE(s().ended());
    EXPECT_TRUE(fs::exists(app() / "Counter.ini")); // the files after them are still created
    EXPECT_EQ(start().caption->substr(0, 9), "ORBEK V: ");

    // The access words fall back to those the file would have held.
    start().Text1.caption = "Juniper";
    start().fire("OkStart");
    EXPECT_FALSE(s().ended());
    EXPECT_EQ(st().ServiceLevel, 1);
}

#ifndef _WIN32
TEST_F(Startup, WhatIsNoFileOrFarTooLargeIsRefusedWithoutWaitingAndTheDefaultsServe) {
    // A pipe nobody writes (a read would wait for ever), a link to a device that never ends (a
    // read would fill the memory), a file past the limit (one of 100 MB took 2 GB).
    const auto pipe = [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); };
    const auto zero = [](const fs::path& p) { fs::create_symlink("/dev/zero", p); };
    writeBytes(app() / "status.ini", "2\r\n" + std::string(5000, '\n'));
    for (const char* name : {"DataCoeff.ini", "NS.ini"})
        zero(app() / name);
    for (const char* name : {"LevelPW.ini", "Counter.ini", "TypeFile.ini"})
        pipe(app() / name);
    sockaddr_un socket{AF_UNIX, {}};
    std::snprintf(socket.sun_path, sizeof socket.sun_path, "%s",
                  (app() / "LevLgGraph.ini").c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&socket), sizeof socket), 0);
    ::close(fd);
    pipe(user() / "Name.inc");
    pipe(folder.path() / "elsewhere");
    fs::create_symlink(folder.path() / "elsewhere", user() / "SWord.inx");
    startUp("juniper");
    app::Read_NSINI(s());
    (void)logging::readTypeFile(s());
    display::readLevelLines(s());
    s().Usures();
    scheduler.advanceBy(300);

    EXPECT_TRUE(port.isOpen()); // the port of the first line
    EXPECT_EQ(st().ServiceLevel, 1);
    EXPECT_EQ(st().Coefficients[7], Variant(65.0));
    EXPECT_EQ(start().VScroll1[5].value, 80);
    for (const std::string line :
         {"File status.ini holds 5003 bytes, more than 4096: only the lines within its first "
          "4096 are read",
          "File DataCoeff.ini is a character device, not a regular file: not read",
          "File NS.ini is a character device, not a regular file: not read",
          "File LevelPW.ini is a named pipe, not a regular file: not read",
          "File Counter.ini is a named pipe, not a regular file: not read",
          "File TypeFile.ini is a named pipe, not a regular file: not read",
          "File LevLgGraph.ini is a socket, not a regular file: not read",
          "File Name.inc is a named pipe, not a regular file: not read",
          "File SWord.inx is a named pipe, not a regular file: not read"})
        EXPECT_EQ(eventsWith(line), 1u) << line;
    // Nothing is written over them, nor are the modes of what the user files lead to changed.
    EXPECT_TRUE(fs::is_fifo(app() / "Counter.ini"));
    EXPECT_TRUE(fs::is_symlink(app() / "NS.ini"));
    EXPECT_EQ(fs::status(user() / "SWord.inx").permissions() & fs::perms::mask, fs::perms(0644));
    EXPECT_EQ(fs::status(user() / "Name.inc").permissions() & fs::perms::mask, fs::perms(0644));
}
#endif

TEST_F(Startup, LeftoverTemporariesAreSweptAndTheUserFilesAreTheirOwnersOnly) {
    // What a kill or a power cut during a write leaves, beside names that are not the station's.
    const std::vector<fs::path> leftovers{app() / "Counter.ini.tmp0", app() / "NS.ini.tmp5",
                                          app() / "Img" / "Start_0003.bmp.tmp",
                                          user() / "Name.inc.tmp12"};
    const std::vector<fs::path> others{app() / "notes.tmp1", app() / "NS.ini.tmpx",
                                       app() / "Data" / "run.csv.tmp3",
                                       app() / "Img" / "Plot.bmp.tmp1", user() / "Other.inc.tmp1"};
    fs::create_directories(app() / "Img");
    fs::create_directories(app() / "Data");
    fs::create_directories(app() / "status.ini.tmp2"); // a folder: not a file of the station
    for (const auto& path : leftovers)
        writeBytes(path, "half");
    for (const auto& path : others)
        writeBytes(path, "keep");
    startStation();
    for (const auto& path : leftovers)
        EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : others)
        EXPECT_EQ(bytesOf(path), "keep") << path;
    EXPECT_TRUE(fs::is_directory(app() / "status.ini.tmp2"));
    EXPECT_EQ(events(), (std::vector<std::string>{"Leftover temporary files removed: "
                                                  "Counter.ini.tmp0, NS.ini.tmp5, "
                                                  "Start_0003.bmp.tmp, Name.inc.tmp12"}));

#ifndef _WIN32
    const auto mode = [](const fs::path& path) {
        return static_cast<int>(fs::status(path).permissions() & fs::perms::mask);
    };
    EXPECT_EQ(mode(user()), 0700);
    EXPECT_EQ(mode(user() / "Name.inc"), 0600);
    EXPECT_EQ(mode(user() / "SWord.inx"), 0600);
    EXPECT_EQ(mode(app() / "Counter.ini") & 0600, 0600); // the others as the system makes them

    // An older station left them open: closed at the next start, each with a line.
    fs::permissions(user(), fs::perms::group_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(user() / "Name.inc", fs::perms::others_read, fs::perm_options::add);
    rebuild();
    startStation();
    EXPECT_EQ(mode(user()), 0700);
    EXPECT_EQ(mode(user() / "Name.inc"), 0600);
    EXPECT_EQ(events(),
              (std::vector<std::string>{
                  "Folder " + user().string() + " was open to other users: now its owner's only",
                  "File Name.inc was open to other users: now its owner's only"}));
#endif
}

TEST_F(Startup, NsIniKeepsWhatItStoresUntilNewValuesAreKnown) {
    // A Start before anything read NS.ini keeps the stored version and separator.
    writeBytes(app() / "status.ini", "2\r\n");
    writeBytes(app() / "NS.ini", "1.23\r\n0\r\n0\r\n1\r\n");
    startStation();
    start().fire("Startbouton");
    EXPECT_EQ(bytesOf(app() / "NS.ini"), "1.23\r\n1\r\n0\r\n1\r\n");

    // Each version the controller reports: two bytes of one unsigned number, in hundredths.
    port.open(2);
    const struct {
        int high, low;
        const char* text;
    } versions[] = {{0, 114, "1.14"}, {0, 5, "0.05"}, {3, 232, "10.00"}, {255, 255, "655.35"}};
    for (const auto& v : versions) {
        port.deliverFrame(198, v.high);
        port.deliverFrame(198, v.low);
        EXPECT_EQ(st().StampVersion, v.text);
        EXPECT_EQ(bytesOf(app() / "NS.ini"), std::string(v.text) + "\r\n1\r\n0\r\n1\r\n");
        EXPECT_NE(start().caption.find("h / BS2p24 - V: " + std::string(v.text) + "     Port"),
                  std::string::npos);
    }

    // The reader skips the blank a print of a number puts before its digits.
    writeBytes(app() / "NS.ini", "\"1.24\"\r\n 1 \r\n 0 \r\n 0 \r\n");
    app::Read_NSINI(s());
    EXPECT_EQ(st().SavedStampVersion, "1.24");
    EXPECT_EQ(st().RunActive, 1);
    EXPECT_EQ(st().HalogenActive, 0);
    EXPECT_EQ(st().SeparatorChoice, 0);
}

} // namespace
} // namespace orbek
