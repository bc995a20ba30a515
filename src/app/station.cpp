#include "app/station.hpp"

#include "core/files.hpp"
#include "link/frame.hpp"

namespace orbek {

Station::Station(Scheduler& scheduler_, SerialPort& port_, UiHost& ui_, WallClock& clock_,
                 Paths paths_)
    : scheduler(scheduler_), port(port_), ui(ui_), clock(clock_), paths(std::move(paths_)) {
    windows_.Start = std::make_unique<StartWindow>(scheduler);
    windows_.Parametres = std::make_unique<ParametresWindow>(scheduler);
    windows_.Usures = std::make_unique<UsuresWindow>(scheduler);
    windows_.TestsMV = std::make_unique<TestsMVWindow>(scheduler);
    windows_.DataLogger = std::make_unique<DataLoggerWindow>(scheduler);
    windows_.Boitestop = std::make_unique<BoitestopWindow>(scheduler);
    windows_.CodeDialogue = std::make_unique<CodeDialogueWindow>(scheduler);
    windows_.Codeserreurs = std::make_unique<CodeserreursWindow>(scheduler);
    windows_.FenInfoHolder = std::make_unique<FenInfoHolderWindow>(scheduler);
    windows_.AlarmHolder = std::make_unique<AlarmHolderWindow>(scheduler);
    windows_.Telemetry = std::make_unique<TelemetryWindow>(scheduler);
    state.BasePath = pathText(paths.appFolder);
}

Station::~Station() {
    port.setEventHandler({});
}

namespace {
template <class W> W& touched(const std::unique_ptr<W>& window) {
    window->touch();
    return *window;
}
} // namespace

StartWindow& Station::Start() {
    return touched(windows_.Start);
}
ParametresWindow& Station::Parametres() {
    return touched(windows_.Parametres);
}
UsuresWindow& Station::Usures() {
    return touched(windows_.Usures);
}
TestsMVWindow& Station::TestsMV() {
    return touched(windows_.TestsMV);
}
DataLoggerWindow& Station::DataLogger() {
    return touched(windows_.DataLogger);
}
BoitestopWindow& Station::Boitestop() {
    return touched(windows_.Boitestop);
}
CodeDialogueWindow& Station::CodeDialogue() {
    return touched(windows_.CodeDialogue);
}
FenInfoHolderWindow& Station::FenInfoHolder() {
    return touched(windows_.FenInfoHolder);
}
AlarmHolderWindow& Station::AlarmHolder() {
    return touched(windows_.AlarmHolder);
}
TelemetryWindow& Station::Telemetry() {
    return touched(windows_.Telemetry);
}

std::vector<WindowModel*> Station::windows() {
    return {windows_.Start.get(),        windows_.Parametres.get(),   windows_.Usures.get(),
            windows_.TestsMV.get(),      windows_.DataLogger.get(),   windows_.Boitestop.get(),
            windows_.CodeDialogue.get(), windows_.Codeserreurs.get(), windows_.FenInfoHolder.get(),
            windows_.AlarmHolder.get(),  windows_.Telemetry.get()};
}

WindowModel* Station::findWindow(const std::string& name) {
    for (WindowModel* w : windows())
        if (w->name() == name) return w;
    return nullptr;
}

CodeserreursWindow& Station::Codeserreurs() {
    return touched(windows_.Codeserreurs);
}

void Station::addEvent(std::string line) {
    // After the end the windows are unloaded; nothing may load them again.
    if (ended_) return;
    Start().List2.items.push_back(line);
    if (onEvent) onEvent(line);
}

void Station::sendOrder(uint8_t code, uint8_t value) {
    if (!port.isOpen()) return;
    const auto frame = link::encodeOrder(code, value);
    port.write({frame.begin(), frame.end()});
}

void Station::reportFileProblem(const std::filesystem::path& file, const std::string& action,
                                const std::string& why) {
    addEvent("File " + pathText(file.filename()) + " could not be " + action + ": " + why);
}

void Station::reportShortFile(const std::filesystem::path& file, const std::string& what) {
    addEvent("File " + pathText(file.filename()) + " " + what);
}

void Station::tellRefusal(const std::filesystem::path& file, const std::string& refused) {
    std::string& told = refusalsTold_[file];
    if (!refused.empty() && refused != told) reportShortFile(file, refused);
    told = refused;
}

std::optional<std::vector<std::string>> Station::configLines(const std::filesystem::path& file) {
    std::string refused;
    auto lines = files::readLines(file, files::kConfigLimit, &refused);
    tellRefusal(file, refused);
    return lines;
}

std::optional<std::vector<std::string>> Station::configItems(const std::filesystem::path& file) {
    std::string refused;
    auto items = files::readListItems(file, files::kConfigLimit, &refused);
    tellRefusal(file, refused);
    return items;
}

void Station::endProgram(std::string reason) {
    if (ended_) return;
    tell({"station_quit", {{"how", reason.empty() ? std::string("quit") : reason}}});
    ended_ = true;
    endReason_ = std::move(reason);
    scheduler.stopAll();
    ui.endProgram();
}

std::filesystem::path Station::appFile(const std::string& name) const {
    return pathFromText(state.BasePath) / name;
}

} // namespace orbek
