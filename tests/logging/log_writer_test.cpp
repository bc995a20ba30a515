// The log file writer: the header block, raw and physical rows, separators, the clock texts,
// the status cell and the plot mark, "Data Logger OFF", Stop, and a file that cannot be written.
#include "display/plot.hpp"
#include "logging/log_writer.hpp"
#include "logging_fixture.hpp"
#include "support/file_limit.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

using logging::logDate;
using logging::logTime;

// The header block: a blank line, the names, the units and an empty quoted line.
std::string header(const std::string& names, const std::string& units) {
    return "\r\n" + names + "\r\n" + units + "\r\n\"\"\r\n";
}
// Log files are in the system's code page: the degree sign is one byte on Windows.
#ifdef _WIN32
const std::string kDegree = "\xB0";
#else
const std::string kDegree = "°";
#endif
const std::string kAllColumns =
    header("[CNT ];[LPC ];[LFC ];[VIS ];[IR  ];[RH  ];[LOS ];[SHT ];[MAT ];[Date];[Time]",
           "[CNT ];[AU  ];[%   ];[W/m2];[%   ];[%   ];[W   ];[" + kDegree + "C/F];[" + kDegree +
               "C/F];[Date];[Time]");
const std::string kMatOnly =
    header("[CNT ];[MAT ];[Date];[Time]", "[CNT ];[" + kDegree + "C/F];[Date];[Time]");

DateTime at(int hour, int minute, int second = 0) {
    return {2026, 12, 4, hour, minute, second, 6};
}

TEST(LogTexts, TimeIsTwelveHourWithTheStationsNoonRule) {
    EXPECT_EQ(logTime(at(12, 0, 59)), "12:00 AM");
    EXPECT_EQ(logTime(at(12, 1)), "12:01 PM");
    EXPECT_EQ(logTime(at(0, 30)), "00:30 AM");
    EXPECT_EQ(logTime(at(9, 15, 42)), "09:15 AM");
    EXPECT_EQ(logTime(at(13, 0)), "01:00 PM");
    EXPECT_EQ(logDate({2026, 12, 4, 0, 0, 0, 6}), "12/4/2026");
    EXPECT_EQ(logDate({2027, 1, 31, 0, 0, 0, 1}), "1/31/2027");
}

struct LogWriter : test::LoggingFixture {
    LogWriter() {
        port.open(2);
        start().Timer4.stop(); // the plot clock would move PlotX under the log mark
    }
    void rawReadings() {
        StationState& st = this->st();
        st.Readings[0] = 45;   // code 249
        st.Readings[16] = 123; // code 250
        st.Readings[1] = 7;
        st.Readings[2] = -3;
        st.Readings[3] = 60;
        st.Readings[5] = 80;
        st.Readings[6] = 31;
        st.Readings[7] = 85;
    }
};

TEST_F(LogWriter, RawCsvWithSemicolonsIsWrittenByteForByteEveryMinute) {
    const auto file = data("run.csv");
    const int64_t started = startLogging({});
    EXPECT_EQ(bytes(file), ""); // created empty by the dialog
    EXPECT_TRUE(start().Timer15.enabled());
    EXPECT_EQ(start().Timer15.interval(), 60000);
    rawReadings();

    scheduler.advanceTo(started + 59999);
    EXPECT_EQ(bytes(file), "");
    scheduler.advanceTo(started + 60000);
    EXPECT_EQ(bytes(file), kAllColumns + "0;45;123;7;-3;60;80;31;85;12/4/2026;09:15 AM\r\n");
    EXPECT_EQ(st().LogRowCounter, 1 * kFixedOne);
    EXPECT_EQ(st().LogHeaderWritten, 1);
    EXPECT_EQ(st().LoggedReadings[16], 123);
    EXPECT_EQ(start().Label2[0].caption, "Write");
    EXPECT_EQ(start().Label2[0].backColour, colour::red);

    // Half a second later: "OK" on light green and a red tick at the top of the plot.
    scheduler.advanceBy(500);
    EXPECT_EQ(start().Label2[0].caption, "OK");
    EXPECT_EQ(start().Label2[0].backColour, colour::rgb(97, 255, 98));
    EXPECT_FALSE(start().Timer16.enabled());
    const int x = st().PlotX;
    EXPECT_EQ(start().Picture5Canvas.pixel(x, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(start().Picture5Canvas.pixel(x, 9), (Rgb{255, 0, 0}));
    EXPECT_NE(start().Picture5Canvas.pixel(x, 10), (Rgb{255, 0, 0}));

    clock.set(at(14, 5));
    st().Readings[7] = 90;
    scheduler.advanceTo(started + 120000);
    EXPECT_EQ(bytes(file), kAllColumns + "0;45;123;7;-3;60;80;31;85;12/4/2026;09:15 AM\r\n" +
                               "1;45;123;7;-3;60;80;31;90;12/4/2026;02:05 PM\r\n");
}

TEST_F(LogWriter, CommaSeparatorWritesOnlyTheChosenColumns) {
    const int64_t started = startLogging({0, 0, {0, 1}, 0, "run.txt"});
    rawReadings();
    clock.set(at(12, 0));
    scheduler.advanceTo(started + 60000);
    EXPECT_EQ(bytes(data("run.txt")), "\r\n[CNT ],[LPC ],[LFC ],[Date],[Time]\r\n"
                                      "[CNT ],[AU  ],[%   ],[Date],[Time]\r\n\"\"\r\n"
                                      "0,45,123,12/4/2026,12:00 AM\r\n");
}

TEST_F(LogWriter, PhysicalRowsCopyThePanelAndTheWholeNumbers) {
    const int64_t started = startLogging({3, 1, {0, 1, 2, 3, 4, 5, 6, 7}, 0, "phys.csv"});
    scheduler.advanceTo(started + 59000);
    for (auto [code, value] :
         {std::pair{250, 123}, {249, 45}, {235, 12}, {234, 34}, {233, 56}, {226, 31}, {251, 85}})
        port.deliverFrame(code, value);
    st().PowerWatts = 800;
    scheduler.advanceTo(started + 60000);
    EXPECT_EQ(bytes(data("phys.csv")),
              kAllColumns + "0;123;45.0;12.0;34.0;56.0;800;31;85;12/4/2026;09:15 AM\r\n");

    // Without the extension board its rows read 0, as the panel shows them.
    port.deliverFrame(232, 255);
    scheduler.advanceTo(started + 120000);
    EXPECT_EQ(bytes(data("phys.csv")),
              kAllColumns + "0;123;45.0;12.0;34.0;56.0;800;31;85;12/4/2026;09:15 AM\r\n" +
                  "1;123;45.0;0;0;0;800;31;85;12/4/2026;09:15 AM\r\n");
}

TEST_F(LogWriter, AnIntervalOfFiveMinutesWritesAtFiveAndTen) {
    const int64_t started = startLogging({1, 1, {7}, 2, "five.csv"});
    EXPECT_EQ(start().Label44.caption, "Data-Logger (Writing)    [5 minutes]");
    rawReadings();
    scheduler.advanceTo(started + 4 * 60000);
    EXPECT_EQ(bytes(data("five.csv")), "");
    scheduler.advanceTo(started + 5 * 60000);
    scheduler.advanceTo(started + 10 * 60000 - 1);
    EXPECT_EQ(bytes(data("five.csv")), kMatOnly + "0;85;12/4/2026;09:15 AM\r\n");
    scheduler.advanceTo(started + 10 * 60000);
    EXPECT_EQ(bytes(data("five.csv")),
              kMatOnly + "0;85;12/4/2026;09:15 AM\r\n1;85;12/4/2026;09:15 AM\r\n");
}

TEST_F(LogWriter, OffStopsAndStartingAgainAppendsANewHeaderNumberedFromZero) {
    const int64_t started = startLogging({1, 1, {7}, 0, "again.csv"});
    rawReadings();
    scheduler.advanceTo(started + 120000);
    StartWindow& w = start();
    EXPECT_TRUE(w.mnufichierdatalogger.checked);
    EXPECT_FALSE(w.mnuDataloggerOFF.checked);

    w.fire("mnuDataloggerOFF");
    EXPECT_FALSE(w.Timer15.enabled());
    EXPECT_TRUE(w.mnuDataloggerOFF.checked);
    EXPECT_FALSE(w.mnufichierdatalogger.checked);
    EXPECT_EQ(w.Label44.caption, "Data-Logger (Writing)  " + std::string(13, ' '));
    EXPECT_EQ(w.Label2[0].caption, "");
    EXPECT_EQ(w.Label2[0].backColour, colour::buttonFace);
    EXPECT_EQ(st().LogRowCounter, 0);
    scheduler.advanceBy(180000);

    // The dialog restores the same file; START alone logs into it again.
    int64_t restarted = 0;
    inDialog([&](DataLoggerWindow& d) {
        d.fire("Activation");
        restarted = scheduler.now();
    });
    scheduler.advanceTo(restarted + 60000);
    const std::string row0 = "0;85;12/4/2026;09:15 AM\r\n";
    EXPECT_EQ(bytes(data("again.csv")),
              kMatOnly + row0 + "1;85;12/4/2026;09:15 AM\r\n" + kMatOnly + row0);
}

TEST_F(LogWriter, StopEndsLoggingButKeepsTheHeaderAndTheCount) {
    const int64_t started = startLogging({1, 1, {0}, 0, "stop.csv"});
    scheduler.advanceTo(started + 60000);
    start().fire("Startbouton");
    start().fire("Stopbouton");
    EXPECT_FALSE(start().Timer15.enabled());
    EXPECT_TRUE(start().mnuDataloggerOFF.checked);
    EXPECT_FALSE(start().mnufichierdatalogger.checked);
    EXPECT_EQ(start().Label2[0].caption, "");
    EXPECT_EQ(start().Label44.caption, "Data-Logger (Writing)    [1 minute]");
    const std::string before = bytes(data("stop.csv"));
    scheduler.advanceBy(300000);
    EXPECT_EQ(bytes(data("stop.csv")), before);
}

TEST_F(LogWriter, NoColumnLeftWritesCounterDateAndTime) {
    // A first START with a column, then every box unticked and START again.
    startLogging({1, 1, {3}, 0, "none.csv"});
    const int64_t started = startLogging({1, 1, {}, 0, "none.csv"});
    scheduler.advanceTo(started + 60000);
    EXPECT_EQ(bytes(data("none.csv")), "\r\n[CNT ];[Date];[Time]\r\n[CNT ];[Date];[Time]\r\n"
                                       "\"\"\r\n0;12/4/2026;09:15 AM\r\n");
}

TEST_F(LogWriter, AFileTypeOutsideTheFourWritesTheHeaderAndNoRows) {
    const int64_t started = startLogging({1, 1, {0}, 0, "odd.csv"});
    st().LogFileType = 7;
    scheduler.advanceTo(started + 120000);
    EXPECT_EQ(bytes(data("odd.csv")), "\r\n[CNT ];[LPC ];[Date];[Time]\r\n"
                                      "[CNT ];[AU  ];[Date];[Time]\r\n\"\"\r\n");
    EXPECT_EQ(st().LogRowCounter, 2 * kFixedOne);
}

TEST_F(LogWriter, AFileThatCannotBeWrittenIsReportedAndLoggingGoesOn) {
    const int64_t started = startLogging({1, 1, {0}, 0, "later.csv"});
    // The data folder is gone: the row is lost, the list says so, the station goes on.
    std::filesystem::remove_all(s().appFile("Data"));
    rawReadings();
    scheduler.advanceTo(started + 60000);
    EXPECT_TRUE(listed("File later.csv could not be written"));
    EXPECT_TRUE(listed("log row 0 is lost"));
    EXPECT_EQ(start().Label2[0].caption, "Error");
    EXPECT_EQ(start().Label2[0].backColour, colour::red);
    EXPECT_TRUE(start().Timer15.enabled());
    EXPECT_FALSE(s().ended());
    scheduler.advanceBy(500);
    EXPECT_EQ(start().Label2[0].caption, "Error");

    // Once the folder is back, the next row comes with the header it still owes.
    std::filesystem::create_directories(s().appFile("Data"));
    scheduler.advanceTo(started + 120000);
    EXPECT_EQ(bytes(data("later.csv")), "\r\n[CNT ];[LPC ];[Date];[Time]\r\n"
                                        "[CNT ];[AU  ];[Date];[Time]\r\n\"\"\r\n"
                                        "1;45;12/4/2026;09:15 AM\r\n");
    EXPECT_EQ(start().Label2[0].caption, "Write");
}

TEST_F(LogWriter, AnAppendThatFailsPartWayLeavesTheFileAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "no file size limit to fill the disk with";
#else
    startLogging({1, 1, {0}, 0, "full.csv"});
    rawReadings();
    const std::string header = "\r\n[CNT ];[LPC ];[Date];[Time]\r\n"
                               "[CNT ];[AU  ];[Date];[Time]\r\n\"\"\r\n";
    const int failed = test::inChildWithFileLimit(40, [&] {
        // The disk fills up inside the header, then inside the row: each time the whole
        // append is taken back and the list names the row lost.
        for (rlim_t room : {rlim_t{40}, header.size() + 10}) {
            test::limitFileSize(room);
            scheduler.advanceBy(60000);
            if (bytes(data("full.csv")) != "") return 1;
            const std::string lost =
                "log row " + std::to_string(st().LogRowCounter / kFixedOne - 1);
            if (!listed(lost + " is lost") || start().Label2[0].caption != "Error") return 2;
        }
        test::limitFileSize(0);
        scheduler.advanceBy(60000);
        return 0;
    });
    EXPECT_EQ(failed, 0);
    // With room again the header it still owes comes first, and nothing of the lost rows.
    EXPECT_EQ(bytes(data("full.csv")), header + "2;45;12/4/2026;09:15 AM\r\n");
#endif
}

} // namespace
} // namespace orbek
