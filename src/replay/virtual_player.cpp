// The player on virtual time: an in-memory line, scripted answers to boxes, no waiting.
#include "app/port_selection.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "replay/player.hpp"
#include "station/assembled_station.hpp"

#include <memory>
#include <set>

namespace orbek::replay {

namespace {

// The line as the live player lays it out: every port number reaches the one line, save those
// a scenario made fail; a device that is unplugged cannot be opened until it is back.
class ScenarioLine : public MemoryPort {
  public:
    using MemoryPort::MemoryPort;
    std::set<int> failing;
    bool unplugged = false;
    bool simulatedLine = false; // the line claims to be the built-in simulated controller

    bool open(int number) override {
        error_ = {};
        if (unplugged || failing.count(number)) {
            openAttempts.push_back(number);
            error_ = {OpenFailure::NoDevice, "No such file or directory"};
            return false;
        }
        return MemoryPort::open(number);
    }
    OpenError lastError() const override {
        return error_.kind == OpenFailure::None ? MemoryPort::lastError() : error_;
    }
    bool devicePresent(int number) const override { return !unplugged && !failing.count(number); }
    bool simulated() const override { return simulatedLine; }
    std::string deviceName(int number) const override {
        if (simulatedLine) return "simulated controller";
        return failing.count(number) ? pathText(folder) + "/absent/com" + std::to_string(number)
                                     : "LINE";
    }
    std::filesystem::path folder;
    void unplug() {
        unplugged = true;
        if (!isOpen()) return;
        close();
        event(CommEvent::DeviceRemoved);
    }

  private:
    OpenError error_;
};

class VirtualPlayer : public Player {
  public:
    VirtualPlayer(const Options& options, std::ostream& out)
        : Player(options, out), line_(scheduler_), ui_(scheduler_) {
        std::filesystem::create_directories(options.appFolder);
        std::filesystem::create_directories(options.userFolder);
        station_ = std::make_unique<AssembledStation>(scheduler_, line_, ui_, clock_,
                                                      Paths{options.appFolder, options.userFolder});
        attach();
        line_.folder = options.appFolder;
        line_.onWrite = [this](const MemoryPort::Write& w) {
            for (const std::string& line : orderLines(w.bytes))
                print(line);
        };
        ui_.onMessage = [this](const ScriptedUiHost::Shown& shown) {
            printBox(shown.box.title, shown.box.text, shown.answer);
        };
        ui_.onModal = [this](WindowModel& window) { print("MODAL " + window.name()); };
        ui_.onFileDialog = [this](const FileDialogRequest& request,
                                  const std::optional<std::string>& path) {
            printFileDialog(request.title, path);
        };
    }

    ~VirtualPlayer() override { endTelemetry(); }

  protected:
    Scheduler& scheduler() override { return scheduler_; }
    Station& station() override { return *station_; }
    void deliver(const std::string& text) override { line_.deliver(text); }
    void commEvent(CommEvent event) override { line_.event(event); }
    void click(WindowModel& window, Control& control) override { window.fire(control.name); }
    void answerNext(MsgAnswer answer, int64_t afterMs) override { ui_.reply(answer, afterMs); }
    void answerFile(std::optional<std::string> path, int64_t openMs) override {
        ui_.nextFileName = std::move(path);
        ui_.nextFileWaitMs = openMs;
    }
    bool port(const std::string& what, int number, std::string& why) override {
        if (what == "close")
            line_.close();
        else if (what == "open")
            app::Lecture_MSCOM(*station_);
        else if (what == "unplug")
            line_.unplug();
        else if (what == "plug")
            line_.unplugged = false;
        else if (what == "fail" && number >= 1)
            line_.failing.insert(number);
        else if (what == "simulated")
            line_.simulatedLine = true;
        else {
            why = "port needs close, open, unplug, plug, fail N or simulated";
            return false;
        }
        return true;
    }
    void runUntil(int64_t endTime) override {
        // A modal window or box still open at the end does not hold the scenario.
        scheduler_.at(endTime, [this] { ui_.endProgram(); });
        while (!station_->ended()) {
            const int64_t due = scheduler_.nextDue();
            if (due < 0 || due > endTime) break;
            scheduler_.advanceTo(due);
        }
    }

  private:
    Scheduler scheduler_;
    ScenarioLine line_;
    ScriptedUiHost ui_;
    std::unique_ptr<Station> station_;
};

} // namespace

bool run(const Scenario& scenario, const Options& options, std::ostream& out) {
    if (!scenario.errors.empty()) {
        for (const auto& e : scenario.errors)
            out << "ERROR " << e << '\n';
        return false;
    }
    VirtualPlayer player(options, out);
    return player.play(scenario);
}

} // namespace orbek::replay
