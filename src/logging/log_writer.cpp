#include "logging/log_writer.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "display/plot.hpp"

#include <array>
#include <cstdio>

namespace orbek::logging {

namespace {

struct Column {
    const char* name;
    const char* unit;
    std::size_t rawSlot; // `Readings` slot written in raw files
};

constexpr std::array<Column, kColumns> kColumnTable{{
    {"[LPC ]", "[AU  ]", 0},
    {"[LFC ]", "[%   ]", 16},
    {"[VIS ]", "[W/m2]", 1},
    {"[IR  ]", "[%   ]", 2},
    {"[RH  ]", "[%   ]", 3},
    {"[LOS ]", "[W   ]", 5},
    {"[SHT ]", "[°C/F]", 6},
    {"[MAT ]", "[°C/F]", 7},
}};

constexpr uint32_t kWriteOk = colour::rgb(97, 255, 98);

bool selected(const StationState& st, int column) {
    return st.SensorSelection[static_cast<std::size_t>(column)] == 1;
}

// "[CNT ]", then each selected column's name (or unit), then "[Date]" and "[Time]".
std::string headerLine(const StationState& st, bool units) {
    const std::string sep(1, separator(st));
    std::string line = "[CNT ]" + sep;
    for (int i = 0; i < kColumns; ++i)
        if (selected(st, i)) {
            const Column& c = kColumnTable[static_cast<std::size_t>(i)];
            line += (units ? c.unit : c.name) + sep;
        }
    return line + "[Date]" + sep + "[Time]";
}

// The physical value of a column: the panel's cell text for the five readings, the whole
// numbers of the power setting and the two temperatures.
std::string physicalValue(Station& s, int column) {
    StartWindow& w = s.Start();
    const StationState& st = s.state;
    switch (column) {
    case 0:
        return w.Label5[0].caption;
    case 1:
        return w.Label5[1].caption;
    case 2:
        return w.Label5[6].caption;
    case 3:
        return w.Label5[7].caption;
    case 4:
        return w.Label5[8].caption;
    case 5:
        return std::to_string(st.PowerWatts);
    case 6:
        return std::to_string(st.HolderTempShown);
    default:
        return std::to_string(st.MagnetronTempShown);
    }
}

// Log files are in the system's code page; on Windows the degree sign is one byte there.
std::string inSystemCodePage(std::string text) {
#ifdef _WIN32
    for (std::size_t at = text.find("\xC2\xB0"); at != std::string::npos;
         at = text.find("\xC2\xB0", at + 1))
        text.replace(at, 2, "\xB0");
#endif
    return text;
}

} // namespace

char separator(const StationState& st) {
    return st.SeparatorChoice == 0 ? ',' : ';';
}

std::string logDate(const DateTime& t) {
    return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

std::string logTime(const DateTime& t) {
    int hour = t.hour;
    bool pm = false;
    if (hour > 12) {
        hour -= 12;
        pm = true;
    } else if (hour == 12) {
        // Noon itself reads as AM; any minute after it as PM.
        pm = t.minute > 0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d %s", hour, t.minute, pm ? "PM" : "AM");
    return text;
}

std::vector<std::string> headerBlock(const StationState& st) {
    return {"", headerLine(st, false), headerLine(st, true), files::quoted("")};
}

std::optional<std::string> logRow(Station& s) {
    StationState& st = s.state;
    const bool raw = st.LogFileType == 0 || st.LogFileType == 1;
    const bool physical = st.LogFileType == 2 || st.LogFileType == 3;
    if (!raw && !physical) return std::nullopt;
    const std::string sep(1, separator(st));
    std::string row = std::to_string(st.LogRowCounter / kFixedOne) + sep;
    for (int i = 0; i < kColumns; ++i) {
        if (!selected(st, i)) continue;
        if (raw) {
            const std::size_t slot = kColumnTable[static_cast<std::size_t>(i)].rawSlot;
            st.LoggedReadings[slot] = st.Readings[slot];
            row += std::to_string(st.LoggedReadings[slot]);
        } else {
            row += physicalValue(s, i);
        }
        row += sep;
    }
    const DateTime now = s.clock.now();
    return row + logDate(now) + sep + logTime(now);
}

void Timer15_Tick(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (st.LogMinutesLeft != 0) {
        w.Timer15.setInterval(60000);
        --st.LogMinutesLeft;
        return;
    }
    // The header and the row go out in one append: a header that could not be written is
    // written again before the next row.
    std::vector<std::string> lines;
    const bool withHeader = st.LogHeaderWritten == 0;
    if (withHeader) lines = headerBlock(st);
    if (auto row = logRow(s)) lines.push_back(std::move(*row));
    for (std::string& line : lines)
        line = inSystemCodePage(std::move(line));
    // The counter is a fixed-point number of rows; the file shows whole rows.
    const Fixed number = st.LogRowCounter / kFixedOne;
    st.LogRowCounter += kFixedOne;
    std::string why;
    const bool written = files::appendLines(pathFromText(st.LogFilePath), lines, &why);
    if (written) {
        if (withHeader) st.LogHeaderWritten = 1;
        w.Label2[0].backColour = colour::green;
        w.Timer16.start();
        w.Label2[0].backColour = colour::red;
        w.Label2[0].caption = "Write";
    } else {
        // Logging goes on; the next interval tries again. The list says what was lost.
        const std::string lost = "log row " + std::to_string(number) + " is lost";
        s.tell({"logger_write_failed",
                {{"file", st.LogFilePath}, {"row", int64_t{number}}, {"reason", why}}});
        if (st.LogFilePath.empty())
            s.addEvent("No log file is chosen: " + lost);
        else
            s.reportFileProblem(pathFromText(st.LogFilePath), "written", why + "; " + lost);
        w.Timer16.stop();
        w.Label2[0].backColour = colour::red;
        w.Label2[0].caption = "Error";
    }
    st.LogMinutesLeft = st.LogMinutesReload;
}

void Timer16_Tick(Station& s) {
    StartWindow& w = s.Start();
    w.Label2[0].backColour = kWriteOk;
    w.Label2[0].caption = "OK";
    display::logMark(s);
    w.Timer16.stop();
}

void mnuDataloggerOFF_Click(Station& s) {
    StartWindow& w = s.Start();
    if (w.Timer15.enabled())
        s.tell({"logger_stopped",
                {{"how", std::string("Data Logger OFF")},
                 {"rows", s.state.LogRowCounter / kFixedOne}}});
    w.Timer15.stop();
    w.Timer16.stop();
    w.mnufichierdatalogger.checked = false;
    w.mnuDataloggerOFF.checked = true;
    w.Label44.caption = "Data-Logger (Writing)  " + std::string(13, ' ');
    s.state.LogHeaderWritten = 0;
    s.state.LogRowCounter = 0;
    w.Label2[0].backColour = colour::buttonFace;
    w.Label2[0].caption.clear();
}

void wireWriter(Station& s) {
    StartWindow& w = *s.models().Start;
    w.Timer15.setTick([&s] { Timer15_Tick(s); });
    w.Timer16.setTick([&s] { Timer16_Tick(s); });
    w.on("mnuDataloggerOFF", [&s] { mnuDataloggerOFF_Click(s); });
}

} // namespace orbek::logging
