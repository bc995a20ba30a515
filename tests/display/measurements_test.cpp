// What each measurement frame does to the readings panel, the shared values and the run.
#include "app/startup.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct Measurements : test::StationFixture {
    Measurements() {
        startUp(); // DataCoeff.ini loaded: factors 1, 4, 2, 1, 1, 1 and Celsius
    }
    void rx(int code, int value) { port.deliverFrame(code, value); }
    Control& cell(int i) { return start().Label5[i]; }
    void fahrenheit() { st().Coefficients[8] = 1.0; }
};

// What the panel shows of each frame (the magnetron's clamp, stop and Fahrenheit, scaled
// readings, the battery and supply rows and their blink): scenario readings.

TEST_F(Measurements, TheThermometerBarFollowsTheCelsiusValue) {
    const Rgb cyan{0, 255, 255};
    const Rgb white{255, 255, 255};
    const Rgb black{0, 0, 0};
    Canvas& bar = start().Picture6Canvas;
    // The start-up stub: 10 pixels above the bottom.
    EXPECT_EQ(bar.pixel(3, 250), cyan);
    EXPECT_EQ(bar.pixel(3, 245), white);

    rx(251, 0);
    EXPECT_EQ(bar.pixel(3, 256), cyan);
    EXPECT_EQ(bar.pixel(3, 255), white);
    EXPECT_EQ(bar.pixel(0, 150), black);
    EXPECT_EQ(bar.pixel(7, 150), black);

    rx(251, 60);
    EXPECT_EQ(bar.pixel(1, 136), cyan);
    EXPECT_EQ(bar.pixel(6, 136), cyan);
    EXPECT_EQ(bar.pixel(3, 135), white);
    EXPECT_EQ(bar.pixel(3, 256), cyan);

    fahrenheit(); // drawn from the Celsius value whatever the unit
    rx(251, 127);
    EXPECT_EQ(bar.pixel(3, 2), cyan);
    EXPECT_EQ(bar.pixel(3, 1), white);
    EXPECT_EQ(bar.pixel(4, 0), black);

    // Level after level, the bar is the very picture a drawing from scratch gives.
    for (int level : {30, 30, 90, 0, 64}) {
        rx(251, level);
        const auto stepwise = start().Picture6Canvas.pixels();
        bar.line(0, 0, 0, 0, black); // draws nothing, but the bar is then drawn whole
        rx(251, level);
        EXPECT_EQ(start().Picture6Canvas.pixels(), stepwise) << level;
    }
}

TEST_F(Measurements, ScaledReadingsUseTheirCoefficients) {
    rx(250, 120);
    EXPECT_EQ(cell(0).caption, "120");
    EXPECT_EQ(st().Readings[16], 120);

    // Its factor emptied in the parameter window: scenario coefficient_emptied.
    rx(249, 25);
    EXPECT_EQ(cell(1).caption, "25.0");
    EXPECT_EQ(st().Readings[0], 25);
    st().Coefficients[7] = 2.46919999;
    rx(232, 10);
    EXPECT_EQ(cell(9).caption, "24.691"); // the first six characters of 24.6919999
    EXPECT_EQ(st().Readings[4], 10);
    rx(251, 128);
    EXPECT_EQ(st().Readings[7], 127); // clamped to the scale
    fahrenheit();
    rx(251, 37);
    EXPECT_EQ(st().Readings[7], 37); // in Celsius whatever the unit shown
    EXPECT_EQ(st().MagnetronTempShown, 99);
}

TEST_F(Measurements, SampleHolderTemperatureIsClampedAndCorrectedAndFahrenheitOnlyInTheCell) {
    s().Parametres().Text2[0].caption = "2";
    rx(226, 130);
    EXPECT_EQ(st().RxFrame[2], 128);
    EXPECT_EQ(st().Readings[6], 128);
    EXPECT_EQ(st().HolderTempRaw, "128");
    EXPECT_EQ(st().HolderTempText, "130");
    EXPECT_EQ(st().HolderTempLabel, "130°C");
    EXPECT_EQ(cell(10).caption, "130°C");
    EXPECT_EQ(st().HolderTempShown, 130);

    fahrenheit();
    rx(226, 35);
    EXPECT_EQ(cell(10).caption, "98.6 F");
    EXPECT_EQ(st().HolderTempText, "37"); // the alarm and the log keep Celsius
    EXPECT_EQ(st().HolderTempShown, 37);
    EXPECT_EQ(st().HolderTempRaw, "35");
}

TEST_F(Measurements, ACoefficientThatIsNotANumberKeepsTheRowAndIsReportedOnce) {
    rx(249, 10);
    EXPECT_EQ(cell(1).caption, "10.0");
    st().Coefficients[1] = Variant("1,5x");
    rx(249, 20);
    rx(249, 30);
    EXPECT_EQ(cell(1).caption, "10.0");
    EXPECT_EQ(std::count_if(events().begin(), events().end(),
                            [](std::string_view l) {
                                return l.find("DataCoeff.ini") != std::string::npos &&
                                       l.find("coefficient 1") != std::string::npos;
                            }),
              1);
    EXPECT_FALSE(s().ended());
    st().Coefficients[1] = Variant(" 2 ");
    rx(249, 30);
    EXPECT_EQ(cell(1).caption, "60.0");
}

TEST_F(Measurements, LevelPulsesDrawADottedLineAtTheTracePosition) {
    st().PlotX = 100;
    rx(246, 1);
    rx(197, 2); // other values draw nothing
    Canvas& plot = start().Picture5Canvas;
    EXPECT_EQ(plot.pixel(100, 0), (Rgb{192, 192, 192}));
    EXPECT_EQ(plot.pixel(100, 270), (Rgb{192, 192, 192}));
    EXPECT_NE(plot.pixel(100, 1), (Rgb{192, 192, 192}));
    st().PlotX = 120;
    rx(197, 1);
    EXPECT_EQ(plot.pixel(120, 3), (Rgb{192, 192, 192}));
}

} // namespace
} // namespace orbek
