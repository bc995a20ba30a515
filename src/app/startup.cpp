#include "app/startup.hpp"

#include "app/port_selection.hpp"
#include "app/shell.hpp"
#include "app/station.hpp"
#include "app/user_levels.hpp"
#include "core/files.hpp"
#include "core/text.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace orbek::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSoftwareVersion = "1.14";

// Whether a line begins with a number (blanks and a sign allowed before it). A line with text
// but no number is garbled; the lenient reading would silently make it 0.
bool holdsNumber(const std::string& line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
    if (i < line.size() && line[i] == '.') ++i;
    return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]));
}

// A number item of NS.ini as the byte it stands for.
uint8_t nsByte(const std::string& text) {
    return static_cast<uint8_t>(std::clamp<int>(toInt16(leadingNumber(text)), 0, 255));
}

bool isBlank(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

void makeFolder(Station& s, const fs::path& folder) {
    if (files::isDirectory(folder)) return;
    std::string why;
    if (!files::makeDirectory(folder, &why))
        s.addEvent("Folder " + pathText(folder) + " could not be created: " + why);
}

// The access words and codes are their owner's only. A folder or file that an older station
// left open is closed, and said so; a folder created just now is closed silently.
void keepPrivate(Station& s, const fs::path& path, const std::string& what, bool say) {
    if (!files::openToOthers(path)) return;
    std::string why;
    if (!files::restrictToOwner(path, &why))
        s.addEvent(what + " is open to other users and could not be closed: " + why);
    else if (say)
        s.addEvent(what + " was open to other users: now its owner's only");
}

// The temporary files that a write interrupted by a kill or a power cut left beside the
// station's own files; files of other names stay whatever they are.
void removeLeftoverTemporaries(Station& s) {
    const auto configFile = [](bool inUserFolder) {
        return [inUserFolder](const std::string& name) {
            if (!inUserFolder && name == "status.ini") return true;
            const auto& all = defaultFiles();
            return std::any_of(all.begin(), all.end(), [&](const DefaultFile& f) {
                return f.inUserFolder == inUserFolder && f.name == name;
            });
        };
    };
    const auto plotImage = [](const std::string& name) {
        const std::size_t digits = name.size() - std::min(name.size(), sizeof "Start_.bmp" - 1);
        return digits > 0 && name.rfind("Start_", 0) == 0 &&
               name.compare(name.size() - 4, 4, ".bmp") == 0 &&
               std::all_of(name.begin() + 6, name.begin() + 6 + static_cast<std::ptrdiff_t>(digits),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    std::vector<std::string> removed;
    const auto sweep = [&](const fs::path& folder, const auto& isOwn) {
        for (std::string& name : files::removeLeftoverTemporaries(folder, isOwn))
            removed.push_back(std::move(name));
    };
    sweep(s.paths.appFolder, configFile(false));
    sweep(s.paths.appFolder / "Img", plotImage);
    if (!s.paths.userFolder.empty()) sweep(s.paths.userFolder, configFile(true));
    if (removed.empty()) return;
    std::string names;
    for (const std::string& name : removed)
        names += (names.empty() ? "" : ", ") + name;
    s.addEvent("Leftover temporary files removed: " + names);
}

fs::path fileOf(const Station& s, const DefaultFile& file) {
    return file.inUserFolder ? s.paths.userFile(file.name) : s.appFile(file.name);
}

// Creates the file with its default lines when it does not exist; never rewrites one.
void createIfMissing(Station& s, const DefaultFile& file) {
    const fs::path path = fileOf(s, file);
    if (files::isDirectory(path)) {
        s.reportFileProblem(path, "created", "a folder of that name is in the way");
        return;
    }
    if (files::exists(path)) {
        if (file.inUserFolder) keepPrivate(s, path, "File " + pathText(path.filename()), true);
        return;
    }
    std::string why;
    const auto access = file.inUserFolder ? files::Access::OwnerOnly : files::Access::Shared;
    if (!files::writeLines(path, file.lines, &why, access))
        s.reportFileProblem(path, "created", why);
}

const DefaultFile& defaultOf(const std::string& name) {
    for (const DefaultFile& f : defaultFiles())
        if (f.name == name) return f;
    static const DefaultFile none{};
    return none;
}

// LevelPW.ini into the power slider and its label; a value the slider cannot show leaves
// them as designed.
void loadPowerLevel(Station& s) {
    const fs::path path = s.appFile("LevelPW.ini");
    StartWindow& w = s.Start();
    if (!files::exists(path)) {
        createIfMissing(s, defaultOf("LevelPW.ini"));
    } else if (const auto steps = savedPowerStep(s, "the power setting stays as designed")) {
        w.VScroll1[5].value = *steps;
        s.state.Readings[5] = static_cast<int16_t>(*steps);
        w.Label56.caption = " Set Power = " + std::to_string(*steps * 10) + " Watts";
        // Setting the slider's value is a change of the slider, as when the user moves it.
        w.fire("VScroll1[5]:Change");
    }
    // A power sent before any drag stores the slider's power, never an unset 0.
    s.state.PowerByte = static_cast<uint8_t>(w.VScroll1[5].value);
}

// DataCoeff.ini into Coefficients 0..14; what is missing or garbled gets its default.
void loadCoefficients(Station& s) {
    StationState& st = s.state;
    const fs::path path = s.appFile("DataCoeff.ini");
    const std::vector<std::string>& defaults = defaultOf("DataCoeff.ini").lines;
    const auto lines = s.configLines(path);
    if (!lines) s.reportFileProblem(path, "read", "default coefficients used");
    std::vector<int> garbled;
    std::size_t present = lines ? lines->size() : 0;
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        std::string text = i < present ? (*lines)[i] : defaults[i];
        if (!isBlank(text) && !holdsNumber(text)) {
            garbled.push_back(static_cast<int>(i) + 1);
            text = defaults[i];
        }
        st.Coefficients[i] = leadingNumber(text);
    }
    if (lines && present < defaults.size())
        s.reportShortFile(path, "holds " + std::to_string(present) + " of " +
                                    std::to_string(defaults.size()) +
                                    " lines: defaults used for the rest");
    if (!garbled.empty()) {
        std::string which;
        for (int n : garbled)
            which += (which.empty() ? "" : ", ") + std::to_string(n);
        s.reportShortFile(path, "line " + which + " holds no number: default used");
    }
}

// The coefficients into the parameter window, which loads it without showing it.
void fillParameterWindow(Station& s) {
    ParametresWindow& p = s.Parametres();
    for (int i = 0; i <= 6; ++i)
        p.Text2[i].caption = s.state.Coefficients[static_cast<std::size_t>(i)].toText();
    const bool celsius = s.state.Coefficients[8].toNumber() == 0;
    p.Degres.backColour = celsius ? ParametresWindow::kUnitMarked : colour::buttonFace;
    p.Fharen.backColour = celsius ? colour::buttonFace : ParametresWindow::kUnitMarked;
}

} // namespace

fs::path topLevelFolder(const fs::path& home, const fs::path& currentDir) {
    if (home.empty() || currentDir.empty()) return {};
    std::error_code ec;
    fs::path base = fs::weakly_canonical(home, ec);
    if (ec) base = home.lexically_normal();
    fs::path here = fs::weakly_canonical(currentDir, ec);
    if (ec) here = currentDir.lexically_normal();
    // Compare whole names, component by component: a folder is its name followed by a
    // separator or the end.
    auto b = base.begin();
    auto h = here.begin();
    for (; b != base.end(); ++b, ++h) {
        if (b->empty()) continue; // the trailing separator of "/home/user/"
        if (h == here.end() || !samePathPart(*b, *h)) return {};
    }
    while (h != here.end() && h->empty())
        ++h;
    if (h == here.end()) return {};
    return base / *h;
}

fs::path findApplicationFolder(const Paths& paths) {
    if (!paths.appFolder.empty()) return paths.appFolder;
    // Only a folder that already holds a station: started from a clone or any other folder,
    // the station must not spread its files there.
    fs::path folder = topLevelFolder(paths.home, paths.currentDir);
    if (!folder.empty() && files::exists(folder / "status.ini")) return folder;
    return paths.fallback;
}

const std::vector<DefaultFile>& defaultFiles() {
    static const std::vector<DefaultFile> files = [] {
        std::vector<std::string> typeFile(17, "0");
        typeFile.push_back(" ");
        typeFile.insert(typeFile.end(), 11, "0");
        return std::vector<DefaultFile>{
            {"Name.inc", true, {"\"marigold\"", "\"juniper\""}},
            {"SHTAlarm.txt", false, {""}},
            {"NS.ini", false, {"0", "0", "0", "0"}},
            {"LevelPW.ini", false, {"80"}},
            {"LevLgGraph.ini", false, {"25", "70"}},
            {"StartHalogen.ini", false, {"0"}},
            {"Counter.ini", false, {"00000000", "00000000", "00000000"}},
            {"TypeFile.ini", false, typeFile},
            {"DataCoeff.ini",
             false,
             {"0", "1", "4", "2", "1", "1", "1", "65", "0", "0", "0", "0", "0", "0", "0"}},
            {"SWord.inx", true, {"\"5821\"", "\"5822\"", "\"5823\""}},
        };
    }();
    return files;
}

void Form_Load(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();

    // The start-up timer's stage follows this one, never inside a box this one shows: the
    // load would then go on after the stage and show the event list over the plot.
    w.Timer7.setTick([&s] { Timer7_Tick(s); });
    w.Timer7.stop();

    const fs::path folder = findApplicationFolder(s.paths);
    s.paths.appFolder = folder;
    st.BasePath = pathText(folder);
    makeFolder(s, folder);
    removeLeftoverTemporaries(s);

    const auto status = s.appFile("status.ini");
    // The simulated controller is the port: no COM port to ask for, and status.ini stays for
    // the first start on the real line.
    if (!files::exists(status) && !s.port.simulated()) {
        std::string why;
        if (!files::writeLines(status, {"2"}, &why)) s.reportFileProblem(status, "created", why);
        s.ui.message({" Attention !",
                      "Please Parametrate COM Ports.  \r\n No COM Port Was Assignated !",
                      MsgIcon::Critical, MsgButtons::Ok});
    }
    Lecture_MSCOM(s);
    st.ExtBoardPresent = 1;
    makeFolder(s, folder / "Data");
    for (int i : {0, 1, 4, 6, 7, 8, 9, 10})
        w.Label5[i].caption = "0";
    st.NoReplyCount = 0;
    w.List2.visible = true;
    for (int y = 255; y >= 5; y -= 10)
        w.Picture7Canvas.line(10, y, 15, y, Rgb{255, 255, 255});
    // The start-up window is on screen once its load has run, and the start-up stage counts
    // its 30 ms from then.
    w.show();
    w.Timer7.start();
}

void Timer7_Tick(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();

    w.Picture8.visible = false;
    w.Label29.caption = "Calvintra";
    w.Label29.foreColour = colour::yellow;
    st.SoftwareVersion = kSoftwareVersion;

    const fs::path& userFolder = s.paths.userFolder;
    const bool olderUserFiles =
        files::exists(s.paths.userFile("Name.inc")) || files::exists(s.paths.userFile("SWord.inx"));
    makeFolder(s, userFolder);
    keepPrivate(s, userFolder, "Folder " + pathText(userFolder), olderUserFiles);
    for (const DefaultFile& file : defaultFiles()) {
        if (file.name == "LevelPW.ini")
            loadPowerLevel(s);
        else
            createIfMissing(s, file);
    }

    // A file of that name is no folder; the plot images then cannot be saved, and the list
    // says so.
    makeFolder(s, pathFromText(st.BasePath) / "Img");

    showPasswordBox(s);
    Lecture_MSCOM(s);
    w.Timer7.stop();

    w.Label5[8].backColour = colour::rgb(0, 170, 255);
    w.Label5[7].backColour = colour::rgb(255, 100, 100);

    // The thermometer bar's start stub, the plot's wrap-around switch, the bar's frame.
    w.Picture6Canvas.box(0, 256, 7, 246, Rgb{0, 255, 255}, true);
    w.Check1.checked = true;
    w.fire("Check1");
    w.Picture6Canvas.line(0, 0, 0, 300, Rgb{0, 0, 0});
    w.Picture6Canvas.line(0, 0, 7, 0, Rgb{0, 0, 0});
    w.Picture6Canvas.line(7, 0, 7, 300, Rgb{0, 0, 0});

    // The power controls wait for phase 4.
    w.VScroll1[5].enabled = false;
    w.Command7.enabled = false;

    for (int i : {0, 1, 6, 7, 8, 10, 4})
        w.Label5[i].caption = "0";
    w.StartHalogen.visible = false;
    st.Readings[7] = 0;

    setMainCaption(s);

    w.Picture5.visible = true;
    w.Picture7.visible = true;
    w.List2.visible = false;

    loadCoefficients(s);
    fillParameterWindow(s);
    TableDegres(s);
    setScaleLabels(s);
    applyLevelMenus(s);
}

std::optional<int> savedPowerStep(Station& s, const std::string& consequence) {
    const fs::path path = s.appFile("LevelPW.ini");
    const auto items = s.configItems(path);
    if (!items) {
        s.reportFileProblem(path, "read", consequence);
        return std::nullopt;
    }
    if (items->empty() || isBlank(items->front())) {
        s.reportShortFile(path, "holds no power setting: " + consequence);
        return std::nullopt;
    }
    const std::string& text = items->front();
    const double value = leadingNumber(text);
    if (!holdsNumber(text) || value != std::floor(value) || value < StartWindow::kPowerMin ||
        value > StartWindow::kPowerMax) {
        s.reportShortFile(path,
                          "holds \"" + text + "\", not a power step of 18 to 130: " + consequence);
        return std::nullopt;
    }
    return static_cast<int>(value);
}

void Sauv_NSINI(Station& s) {
    StationState& st = s.state;
    const fs::path path = s.appFile("NS.ini");
    // Until the controller's version and the separator are known in this run, the ones already
    // stored stay.
    std::string version = st.SavedStampVersion;
    if (version.empty() || !st.SeparatorLoaded) {
        const auto items = s.configItems(path);
        if (version.empty())
            version = items && !items->empty() && !items->front().empty() ? items->front() : "0";
        if (!st.SeparatorLoaded && items && items->size() >= 4) {
            st.SeparatorChoice = nsByte((*items)[3]);
            st.SeparatorLoaded = 1;
        }
    }
    const std::vector<std::string> lines{version, std::to_string(st.RunActive),
                                         std::to_string(st.HalogenActive),
                                         std::to_string(st.SeparatorChoice)};
    std::string why;
    if (!files::writeLines(path, lines, &why)) s.reportFileProblem(path, "written", why);
}

void Read_NSINI(Station& s) {
    StationState& st = s.state;
    const fs::path path = s.appFile("NS.ini");
    auto items = s.configItems(path);
    const bool read = items.has_value();
    const std::vector<std::string>& defaults = defaultOf("NS.ini").lines;
    if (!items) {
        s.reportFileProblem(path, "read", "the run state is taken as stopped");
        items.emplace();
    } else if (items->size() < defaults.size()) {
        s.reportShortFile(path, "holds " + std::to_string(items->size()) + " of " +
                                    std::to_string(defaults.size()) +
                                    " items: defaults used for the rest");
    }
    for (std::size_t i = items->size(); i < defaults.size(); ++i)
        items->push_back(defaults[i]);
    st.SavedStampVersion = (*items)[0];
    st.RunActive = nsByte((*items)[1]);
    st.HalogenActive = nsByte((*items)[2]);
    st.SeparatorChoice = nsByte((*items)[3]);
    if (read) st.SeparatorLoaded = 1;
}

} // namespace orbek::app
