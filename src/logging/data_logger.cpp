#include "logging/data_logger.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"
#include "logging/log_writer.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace orbek::logging {

namespace fs = std::filesystem;

const std::array<Interval, 11> kIntervals{{
    {"1", 1, "  [1 minute]"},
    {"2", 2, "  [2 minutes]"},
    {"5", 5, "  [5 minutes]"},
    {"10", 10, "  [10 minutes]"},
    {"20", 20, "  [20 minutes]"},
    {"30", 30, "  [30 minutes]"},
    {"1", 60, "  [1 hour]"},
    {"2", 120, "  [2 hours]"},
    {"3", 180, "  [3 hours]"},
    {"4", 240, "  [4 hours]"},
    {"5", 300, "  [5 hours]"},
}};

namespace {

constexpr const char* kTypeFile = "TypeFile.ini";
constexpr std::size_t kTypeFileLines = 29;
constexpr std::size_t kPathLine = 17; // index of line 18
constexpr uint32_t kOrange = colour::rgb(255, 159, 0);

DataLoggerWindow& dialog(Station& s) {
    return s.DataLogger();
}

// Marks one option of a group as chosen, the others not.
void choose(ControlArray& group, int count, int index) {
    for (int i = 0; i < count; ++i)
        group[i].checked = i == index;
}

std::string trimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

uint8_t flag(const std::string& line) {
    return leadingNumber(line) != 0 ? 1 : 0;
}

fs::path dataFolder(const Station& s) {
    return pathFromText(s.state.BasePath) / "Data";
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return a.lexically_normal() == b.lexically_normal();
}

// The names of the files in the data folder with the extension, in name order.
std::vector<std::string> filesWithExtension(const fs::path& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        const std::string name = pathText(it->path().filename());
        if (toUpper(pathText(it->path().extension())) == toUpper(extension)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// NS.ini's separator choice; the rest of the run state is read with it.
void readSeparatorChoice(Station& s) {
    const fs::path path = s.appFile("NS.ini");
    if (s.configLines(path)) {
        app::Read_NSINI(s);
    } else if (files::exists(path)) {
        s.reportFileProblem(path, "read", "the separator choice stays as it was");
    }
}

} // namespace

std::vector<std::string> typeFileLines(const TypeFile& file) {
    std::vector<std::string> lines;
    lines.push_back(" " + std::to_string(file.type) + " ");
    for (uint8_t c : file.checks)
        lines.push_back(std::to_string(c));
    lines.push_back(file.path);
    for (uint8_t b : file.intervals)
        lines.push_back(std::to_string(b));
    return lines;
}

TypeFile readTypeFile(Station& s) {
    TypeFile file;
    const fs::path path = s.appFile(kTypeFile);
    if (!files::exists(path)) return file;
    const auto read = s.configLines(path);
    if (!read) {
        s.reportFileProblem(path, "read", "no set-up is restored");
        return file;
    }
    std::vector<std::string> lines = *read;
    if (lines.size() < kTypeFileLines)
        s.reportShortFile(path, "holds " + std::to_string(lines.size()) + " of " +
                                    std::to_string(kTypeFileLines) +
                                    " lines: defaults used for the rest");
    lines.resize(std::max(lines.size(), kTypeFileLines), "0");
    if (read->size() <= kPathLine) lines[kPathLine].clear();

    const int type = toInt16(leadingNumber(lines[0]));
    file.type = static_cast<uint8_t>(std::clamp(type, 0, 255));
    if (type < 0 || type > 3)
        s.reportShortFile(path, "line 1 holds \"" + trimBlanks(lines[0]) +
                                    "\", not a file type of 0 to 3: no type is chosen");
    for (std::size_t i = 0; i < file.checks.size(); ++i)
        file.checks[i] = flag(lines[1 + i]);

    // The path is read as a list item: up to the first comma, or between quotes.
    std::string path18 = trimBlanks(lines[kPathLine]);
    if (!path18.empty() && path18.front() == '"') {
        const auto close = path18.find('"', 1);
        path18 = path18.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else if (const auto comma = path18.find(','); comma != std::string::npos) {
        s.reportShortFile(path, "holds a comma in the log file path: only \"" +
                                    trimBlanks(path18.substr(0, comma)) + "\" is restored");
        path18 = trimBlanks(path18.substr(0, comma));
    }
    file.path = path18;

    for (std::size_t i = 0; i < file.intervals.size(); ++i)
        file.intervals[i] = toInt16(leadingNumber(lines[kPathLine + 1 + i])) == 1 ? 1 : 0;
    return file;
}

void writeTypeFile(Station& s) {
    const StationState& st = s.state;
    TypeFile file;
    file.type = st.LogFileType;
    file.checks = st.SensorChecks;
    file.path = st.LogFilePath;
    file.intervals = st.IntervalButtons;
    const fs::path path = s.appFile(kTypeFile);
    std::string why;
    if (!files::writeLines(path, typeFileLines(file), &why))
        s.reportFileProblem(path, "written", why + "; the set-up is not kept for the next start");
}

void mnufichierdatalogger_Click(Station& s) {
    if (s.models().DataLogger->modal()) return;
    s.ui.runModal(s.DataLogger());
}

void DataLogger_Load(Station& s) {
    DataLoggerWindow& d = dialog(s);
    d.Picture1.visible = false;
    s.state.IntervalChosen.clear();
    for (int i = 0; i < DataLoggerWindow::kSensorBoxes; ++i)
        d.Check1[i].enabled = true;
}

void DataLogger_Timer1_Tick(Station& s) {
    StationState& st = s.state;
    DataLoggerWindow& d = dialog(s);
    d.Timer1.stop();
    const StartWindow& main = *s.models().Start;
    d.left = main.left + main.width / 2 - d.width / 2;

    readSeparatorChoice(s);
    Option2_Click(s, st.SeparatorChoice == 0 ? 0 : 1);

    // Restoring passes through the same handlers as the user's clicks.
    const TypeFile file = readTypeFile(s);
    st.LogFileType = file.type;
    if (file.type <= 3) Option1_Click(s, file.type);
    for (int i = 0; i < DataLoggerWindow::kSensorBoxes; ++i) {
        st.SensorChecks[static_cast<std::size_t>(i)] = file.checks[static_cast<std::size_t>(i)];
        d.Check1[i].checked = file.checks[static_cast<std::size_t>(i)] != 0;
        Check1_Click(s, i);
    }
    st.LogFilePath = file.path;
    st.IntervalButtons = file.intervals;
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i)
        if (file.intervals[static_cast<std::size_t>(i)] == 1) {
            st.IntervalIndex = static_cast<uint8_t>(i);
            ActSelClic(s);
        }
    d.Label7.caption = st.LogFilePath;
}

void DataLogger_Timer12_Tick(Station& s) {
    DataLoggerWindow& d = *s.models().DataLogger;
    d.Timer12.stop();
    d.unload();
}

void Option1_Click(Station& s, int index) {
    choose(dialog(s).Option1, DataLoggerWindow::kFileTypes, index);
    s.state.LogFileType = static_cast<uint8_t>(index);
    s.state.LogFileTypeDialog = static_cast<uint8_t>(index);
}

void Option2_Click(Station& s, int index) {
    choose(dialog(s).Option2, 2, index);
    s.state.SeparatorChoice = static_cast<uint8_t>(index);
    s.state.SeparatorLoaded = 1;
    app::Sauv_NSINI(s);
}

void Check1_Click(Station& s, int index) {
    const auto i = static_cast<std::size_t>(index);
    const uint8_t ticked = dialog(s).Check1[index].checked ? 1 : 0;
    s.state.SensorSelection[i] = ticked;
    s.state.SensorChecks[i] = ticked;
}

void Sel_Click(Station& s, int index) {
    StationState& st = s.state;
    st.IntervalIndex = static_cast<uint8_t>(index);
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i)
        st.IntervalButtons[static_cast<std::size_t>(i)] = i == index ? 1 : 0;
    ActSelClic(s);
}

void EffaceBouton(Station& s) {
    DataLoggerWindow& d = dialog(s);
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i)
        d.Sel[i].backColour = colour::buttonFace;
}

void ActSelClic(Station& s) {
    StationState& st = s.state;
    DataLoggerWindow& d = dialog(s);
    const int index = std::min<int>(st.IntervalIndex, DataLoggerWindow::kIntervals - 1);
    const Interval& interval = kIntervals[static_cast<std::size_t>(index)];
    EffaceBouton(s);
    d.Sel[index].backColour = colour::lightGreen;
    d.Label9.caption = d.Sel[index].caption + " ";
    st.IntervalChosen = d.Sel[index].caption;
    st.LogIntervalText = interval.text;
    st.LogMinutesReload = interval.minutes - 1;
    st.LogMinutesLeft = st.LogMinutesReload;
    s.Start().Label44.caption = "Data-Logger (Writing)  " + st.LogIntervalText;
}

void Command1_Click(Station& s) {
    StationState& st = s.state;
    DataLoggerWindow& d = dialog(s);
    const bool text = st.LogFileTypeDialog == 0 || st.LogFileTypeDialog == 2;
    const fs::path folder = dataFolder(s);

    d.List1.items = filesWithExtension(folder, text ? ".txt" : ".csv");
    d.List1.value = -1;

    FileDialogRequest request;
    request.title = "Create file ...";
    request.filter = text ? "Text (*.txt)" : "CSV (*.csv)";
    request.initialFolder = pathText(folder);
    std::string name = s.ui.saveFileDialog(request).value_or("");
    if (!s.models().DataLogger->loaded()) return;
    // A name typed without an extension gets the chosen type's, so the next listing finds it.
    if (!name.empty() && pathFromText(name).extension().empty()) name += text ? ".txt" : ".csv";

    if (!name.empty()) {
        // Opened for appending: a missing file is created, an existing one keeps every byte.
        std::string why;
        if (!files::appendLines(pathFromText(name), {}, &why))
            s.reportFileProblem(pathFromText(name), "created", why);
        st.LogHeaderWritten = 0;
        st.LogRowCounter = 0;
    }
    st.LogFilePath = name;
    d.Label7.caption = name;
    if (name.empty()) return;
    for (std::size_t i = 0; i < d.List1.items.size(); ++i)
        if (sameFile(folder / pathFromText(d.List1.items[i]), pathFromText(name))) {
            d.Picture1.visible = true;
            d.List1.value = static_cast<int>(i);
        }
}

void EErase_Click(Station& s) {
    const std::string& path = s.state.LogFilePath;
    std::ofstream out(pathFromText(path), std::ios::binary | std::ios::trunc);
    if (!out) s.reportFileProblem(pathFromText(path), "emptied", "it stays as it was");
    dialog(s).Picture1.visible = false;
}

void EAppend_Click(Station& s) {
    dialog(s).Picture1.visible = false;
}

void Activation_Click(Station& s) {
    StationState& st = s.state;
    DataLoggerWindow& d = dialog(s);
    if (std::any_of(st.SensorSelection.begin(), st.SensorSelection.begin() + 16,
                    [](int16_t v) { return v == 1; }))
        st.SensorsChosen = "1";
    d.Activation.caption = "Data logging is ready to run";
    d.setFocus("Command1");

    if (!st.LogFilePath.empty() && !st.IntervalChosen.empty() && !st.SensorsChosen.empty()) {
        StartWindow& w = s.Start();
        w.Timer15.setInterval(60000);
        w.Timer15.start();
        w.mnufichierdatalogger.checked = true;
        w.mnuDataloggerOFF.checked = false;
        d.Timer12.start();
        d.Activation.backColour = colour::buttonFace;
        d.Activation.caption = "Press to START";
        d.Activation.backColour = colour::lightGreen;
        w.Label2[0].backColour = colour::green;
        if (s.telling()) {
            // "  [1 minute]" as "1 minute".
            std::string interval;
            for (char c : st.LogIntervalText)
                if (c != '[' && c != ']' && (c != ' ' || !interval.empty())) interval += c;
            s.tell({"logger_started", {{"file", st.LogFilePath}, {"interval", interval}}});
        }
        writeTypeFile(s);
        d.setFocus("Command1");
        return;
    }
    d.Activation.backColour = kOrange;
    s.ui.message({"ORBEK", "Please Complete Step 1 to 3  ", MsgIcon::Critical, MsgButtons::Ok});
    // The window may have been closed while the box was open.
    if (!s.models().DataLogger->loaded()) return;
    d.Activation.backColour = colour::buttonFace;
    d.Activation.caption = "Press to START";
}

void wire(Station& s) {
    wireWriter(s);
    StartWindow& w = *s.models().Start;
    w.on("mnufichierdatalogger", [&s] { mnufichierdatalogger_Click(s); });

    DataLoggerWindow& d = *s.models().DataLogger;
    d.on("Form_Load", [&s] { DataLogger_Load(s); });
    // The close box.
    d.on("Form_QueryUnload", [&d] { d.unload(); });
    d.Timer1.setTick([&s] { DataLogger_Timer1_Tick(s); });
    d.Timer12.setTick([&s] { DataLogger_Timer12_Tick(s); });
    for (int i = 0; i < DataLoggerWindow::kFileTypes; ++i)
        d.on(element("Option1", i), [&s, i] { Option1_Click(s, i); });
    for (int i = 0; i < 2; ++i)
        d.on(element("Option2", i), [&s, i] { Option2_Click(s, i); });
    for (int i = 0; i < DataLoggerWindow::kSensorBoxes; ++i)
        d.on(element("Check1", i), [&s, i] { Check1_Click(s, i); });
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i)
        d.on(element("Sel", i), [&s, i] { Sel_Click(s, i); });
    d.on("Command1", [&s] { Command1_Click(s); });
    d.on("EErase", [&s] { EErase_Click(s); });
    d.on("EAppend", [&s] { EAppend_Click(s); });
    d.on("Activation", [&s] { Activation_Click(s); });
}

} // namespace orbek::logging
