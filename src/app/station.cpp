#include "app/station.hpp"

#include "link/comm.hpp"
#include "link/frame.hpp"

namespace orbek {

Station::Station(Scheduler& scheduler_, SerialPort& port_, UiHost& ui_, WallClock& clock_,
                 Paths paths_)
    : scheduler(scheduler_), port(port_), ui(ui_), clock(clock_), paths(std::move(paths_)),
      start_(std::make_unique<StartWindow>(scheduler_)) {
    state.BasePath = paths.appFolder.string();
    port.setEventHandler([this](CommEvent event) { link::MSComm1_OnComm(*this, event); });
    link::wireTimers(*this);
}

Station::~Station() {
    port.setEventHandler({});
}

StartWindow& Station::Start() {
    start_->touch();
    return *start_;
}

void Station::addEvent(std::string line) {
    Start().List2.items.push_back(std::move(line));
}

void Station::sendOrder(uint8_t code, uint8_t value) {
    if (!port.isOpen()) return;
    const auto frame = link::encodeOrder(code, value);
    port.write({frame.begin(), frame.end()});
}

void Station::reportFileProblem(const std::filesystem::path& file, const std::string& action,
                                const std::string& why) {
    addEvent("File " + file.filename().string() + " could not be " + action + ": " + why);
}

void Station::endProgram() {
    if (ended_) return;
    ended_ = true;
    scheduler.stopAll();
    ui.endProgram();
}

std::filesystem::path Station::appFile(const std::string& name) const {
    return std::filesystem::path(state.BasePath) / name;
}

} // namespace orbek
