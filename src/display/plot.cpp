#include "display/plot.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace orbek::display {

namespace {

constexpr int kRightEdge = 330;
constexpr int kBottom = 256;

struct TraceStyle {
    Trace trace;
    std::size_t slot;
    int scale; // pixels per unit
    Rgb colour;
};

const TraceStyle kTraces[] = {
    {TraceLPC, 16, 1, {255, 0, 255}},  {TraceLFC, 0, 1, {0, 255, 0}},
    {TraceMAT, 7, 2, {255, 255, 0}},   {TraceSHT, 6, 2, {0, 255, 255}},
    {TraceVIS, 1, 1, {255, 255, 255}}, {TraceIR, 2, 1, {255, 100, 100}},
    {TraceRH, 3, 1, {0, 170, 255}},
};

Canvas& plot(Station& s) {
    return s.Start().Picture5Canvas;
}

void verticalMark(Station& s, Rgb colour) {
    const int x = s.state.PlotX;
    plot(s).line(x, 0, x, 10, colour);
}

// The number of one of the station's saved images: "Start_", four or more digits, ".bmp".
// Any other name in the folder counts for nothing.
std::optional<long> imageNumber(const std::string& name) {
    constexpr std::size_t kPrefix = 6; // "Start_"
    constexpr std::size_t kSuffix = 4; // ".bmp"
    const std::string upper = toUpper(name);
    if (upper.size() < kPrefix + 4 + kSuffix || upper.rfind("START_", 0) != 0 ||
        upper.compare(upper.size() - kSuffix, kSuffix, ".BMP") != 0)
        return std::nullopt;
    const std::string digits = name.substr(kPrefix, name.size() - kPrefix - kSuffix);
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stol(digits);
}

void saveImage(Station& s) {
    const std::filesystem::path folder = s.appFile("Img");
    long largest = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto name = entry.path().filename().string();
        if (entry.path().extension() == ".bmp") {
            s.Start().List1.items.push_back(name);
            largest = std::max(largest, imageNumber(name).value_or(0));
        }
    }
    // Past Start_9999 the numbers grow a digit; an image already there is never written over.
    char name[32];
    long number = largest + 1;
    do
        std::snprintf(name, sizeof name, "Start_%04ld.bmp", number++);
    while (files::exists(folder / name));
    std::string why;
    if (!plot(s).saveBmp(folder / name, &why)) s.reportFileProblem(folder / name, "written", why);
    s.state.PlotImageSaved = 1;
}

} // namespace

void clearPlot(Station& s) {
    plot(s).clear();
}
void phaseMark(Station& s) {
    verticalMark(s, {255, 255, 0});
}
void logMark(Station& s) {
    verticalMark(s, {255, 0, 0});
}

void levelPulse(Station& s) {
    const int x = s.state.PlotX;
    for (int y = 0; y <= 270; y += 3)
        plot(s).point(x, y, {192, 192, 192});
}

void drawLevelLines(Station& s) {
    const struct {
        int16_t level;
        Rgb colour;
    } lines[] = {{s.state.PlotLevel1, {255, 0, 255}}, {s.state.PlotLevel2, {192, 192, 192}}};
    for (const auto& l : lines) {
        for (int x = 0; x <= kRightEdge; x += 3)
            plot(s).point(x, 255 - l.level, l.colour);
        plot(s).text(1, 249 - l.level, std::to_string(l.level), {255, 255, 255});
    }
}

void readLevelLines(Station& s) {
    const auto file = s.appFile("LevLgGraph.ini");
    const auto items = s.configItems(file);
    if (!items || items->size() < 2) {
        s.reportFileProblem(file, "read", items ? "fewer than two levels" : "no such file");
        return;
    }
    s.state.PlotLevel1 = toInt16(leadingNumber((*items)[0]));
    s.state.PlotLevel2 = toInt16(leadingNumber((*items)[1]));
    s.state.PlotLevelsRead = 1;
}

void writeLevelLines(Station& s) {
    // Number items, as the print form writes them: a blank before and after the digits.
    const auto item = [](int16_t v) { return " " + std::to_string(v) + " "; };
    const auto file = s.appFile("LevLgGraph.ini");
    std::string why;
    if (!files::writeLines(file, {item(s.state.PlotLevel1), item(s.state.PlotLevel2)}, &why))
        s.reportFileProblem(file, "written", why);
}

void plotTick(Station& s) {
    StationState& st = s.state;
    for (const TraceStyle& t : kTraces)
        st.PlotTraces[t.trace][0] = st.Readings[t.slot];
    if (st.RunInProgress == 1) {
        for (const TraceStyle& t : kTraces) {
            auto& pair = st.PlotTraces[t.trace];
            if (t.trace != TraceSHT || st.ExtBoardPresent == 1)
                plot(s).line(st.PlotX - 1, kBottom - t.scale * pair[1], st.PlotX,
                             kBottom - t.scale * pair[0], t.colour);
            pair[1] = pair[0];
        }
    }
    if (st.PlotX < kRightEdge) {
        ++st.PlotX;
        return;
    }
    if (st.PlotImageSaved == 0) saveImage(s);
    if (s.Start().Check1.checked) {
        st.PlotX = 0;
        clearPlot(s);
        s.Start().Timer4.start();
        drawLevelLines(s);
    }
}

// "Clear" with the plot shown: the trace starts again at the left edge, level lines not redrawn.
void restartPlot(Station& s) {
    s.state.PlotX = 0;
    clearPlot(s);
    s.Start().Timer4.start();
}

void wirePlot(Station& s) {
    s.Start().Timer4.setTick([&s] { plotTick(s); });
    s.Start().on("EffScreenGraph:Plot", [&s] { restartPlot(s); });
}

} // namespace orbek::display
