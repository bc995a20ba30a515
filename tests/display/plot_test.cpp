// The strip-chart plot: traces, the saved image of each run, wrap-around and Clear.
#include "app/startup.hpp"
#include "core/files.hpp"
#include "support/file_bytes.hpp"
#include "support/file_limit.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace orbek {
namespace {

struct Plot : test::StationFixture {
    Plot() { startUp(); }
    std::filesystem::path img(const char* name) { return s().appFile("Img") / name; }
    std::vector<std::string> images() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(s().appFile("Img")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    Canvas& plot() { return start().Picture5Canvas; }
};

TEST_F(Plot, TracesAreDrawnOnlyDuringARunAtTheirScale) {
    st().PlotX = 10;
    st().Readings[7] = 127; // MAT: 256 - 2v
    st().Readings[0] = 40;  // LFC: 256 - v
    st().RunInProgress = 0;
    scheduler.advanceBy(200);
    EXPECT_NE(plot().pixel(10, 2), (Rgb{255, 255, 0}));
    st().RunInProgress = 1;
    scheduler.advanceBy(400); // a first segment from the previous position, then a flat one
    EXPECT_EQ(plot().pixel(11, 2), (Rgb{255, 255, 0}));
    EXPECT_EQ(plot().pixel(11, 216), (Rgb{0, 255, 0}));
    EXPECT_EQ(st().PlotX, 13);
}

TEST_F(Plot, OneImagePerRunNumberedAfterTheLargestPresent) {
    // Only the station's own names count: "Start_", four or more digits, ".bmp".
    std::ofstream(img("Start_0007.bmp")) << "x";
    std::ofstream(img("Start_12ab.bmp")) << "x";
    std::ofstream(img("Start_13.bmp")) << "x";
    std::ofstream(img("notes.txt")) << "x";
    start().Check1.checked = true; // TB-Reset: wrap around
    st().RunInProgress = 1;
    st().PlotImageSaved = 0;
    st().PlotX = 329;
    scheduler.advanceBy(400);
    EXPECT_EQ(images(), (std::vector<std::string>{"Start_0007.bmp", "Start_0008.bmp",
                                                  "Start_12ab.bmp", "Start_13.bmp", "notes.txt"}));
    EXPECT_EQ(st().PlotX, 0); // wrapped
    // The image is a bitmap of the plot.
    std::ifstream in(img("Start_0008.bmp"), std::ios::binary);
    char magic[2];
    in.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");

    // The next wraps of the same run save nothing more.
    scheduler.advanceBy(331 * 200);
    EXPECT_EQ(images().size(), 5u);

    // Without TB-Reset the plot stays at the right edge. Past 9999 the numbers grow a digit,
    // and every run gets an image of its own.
    std::ofstream(img("Start_9999.bmp")) << "x";
    start().Check1.checked = false;
    for (const char* next : {"Start_10000.bmp", "Start_10001.bmp"}) {
        st().PlotImageSaved = 0;
        st().PlotX = 330;
        scheduler.advanceBy(1000);
        EXPECT_EQ(st().PlotX, 330);
        EXPECT_NE(std::find(images().begin(), images().end(), next), images().end()) << next;
    }
    EXPECT_EQ(images().size(), 8u);

    // Past nine digits a name counts for nothing: the image under the next number is kept.
    std::ofstream(img("Start_999999999.bmp")) << "x";
    std::ofstream(img("Start_1000000000.bmp")) << "x";
    st().PlotImageSaved = 0;
    scheduler.advanceBy(1000);
    EXPECT_EQ(test::bytesOf(img("Start_1000000000.bmp")), "x");
    EXPECT_TRUE(std::filesystem::exists(img("Start_1000000001.bmp")));
}

TEST_F(Plot, AnImageThatCannotBeSavedIsSaidAndThePlotGoesOn) {
    const auto img = s().appFile("Img");
#ifndef _WIN32
    // A full disk: the half-written temporary file goes, and the list says why.
    std::filesystem::create_directories(img);
    st().PlotX = 330;
    const int failed = test::inChildWithFileLimit(64 * 1024, [&] {
        scheduler.advanceBy(200);
        if (!images().empty()) return 1;
        if (eventsWith("File Start_0001.bmp could not be written: File too large") != 1) return 2;
        return st().PlotImageSaved == 1 ? 0 : 3;
    });
    EXPECT_EQ(failed, 0);
#endif
    std::filesystem::remove_all(img);
    std::ofstream(img) << "a file where the folder should be";
    st().PlotX = 330;
    scheduler.advanceBy(200);
    EXPECT_EQ(eventsWith("Start_0001.bmp could not be written"), 1u);
    EXPECT_EQ(st().PlotImageSaved, 1);
}

TEST_F(Plot, ClearRestartsThePlotAndNewScreenRedrawsAndSavesTheLevels) {
    st().PlotX = 200;
    plot().point(50, 50, {255, 0, 0});
    start().fire("EffScreenGraph");
    EXPECT_EQ(st().PlotX, 0);
    EXPECT_EQ(plot().pixel(50, 50), (Rgb{0, 0, 0}));

    // Before the levels were read, a new screen leaves the stored ones alone.
    port.open(2);
    port.deliverFrame(253, 14);
    EXPECT_EQ(*files::readLines(s().appFile("LevLgGraph.ini")),
              (std::vector<std::string>{"25", "70"}));

    // The controller's parameters bring the levels (index 9 and 13 of the read-back).
    for (int i = 0; i < 15; ++i)
        port.deliverFrame(242, i == 13 ? 100 : 0);
    st().PlotX = 120;
    port.deliverFrame(253, 14);
    EXPECT_EQ(st().PlotX, 0);
    EXPECT_EQ(plot().pixel(30, 255), (Rgb{255, 0, 255}));
    EXPECT_EQ(plot().pixel(33, 155), (Rgb{192, 192, 192}));
    EXPECT_EQ(plot().pixel(31, 255), (Rgb{0, 0, 0})); // dotted
    EXPECT_EQ(*files::readLines(s().appFile("LevLgGraph.ini")),
              (std::vector<std::string>{" 0 ", " 100 "}));

    // The labels are printed into the picture, so the saved image holds them as the screen does.
    const auto whiteBy = [&](int level) {
        int n = 0;
        for (int y = 249 - level; y < 261 - level; ++y)
            for (int x = 0; x < 20; ++x)
                n += plot().pixel(x, y) == Rgb{255, 255, 255} ? 1 : 0;
        return n;
    };
    EXPECT_GT(whiteBy(0), 5);
    EXPECT_GT(whiteBy(100), 5);
    start().Check1.checked = false; // no wrap: the plot stays as it was saved
    st().PlotX = 330;
    scheduler.advanceBy(200);
    const auto& canvas = start().Picture5Canvas;
    const auto bmp = encodeBmp(canvas.width(), canvas.height(), canvas.pixels());
    EXPECT_EQ(test::bytesOf(img("Start_0001.bmp")), std::string(bmp.begin(), bmp.end()));
}

} // namespace
} // namespace orbek
