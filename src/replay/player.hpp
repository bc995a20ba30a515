// What both scenario players share: the steps on the station's scheduler, the output lines and
// the commands that act on the window models and files alike in both runtimes. A runtime
// provides the station, the line, the clicks and the answers to boxes.
#pragma once

#include "app/station.hpp"
#include "core/ui_host.hpp"
#include "replay/replay.hpp"
#include "telemetry/publisher.hpp"
#include "telemetry/telemetry.hpp"

#include <memory>
#include <optional>
#include <string>

namespace orbek::replay {

class Player {
  public:
    Player(const Options& options, std::ostream& out);
    virtual ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays the scenario to its end (its `end` step, one second after its last step, or the
    // station's end) and prints END; false when a step failed.
    bool play(const Scenario& scenario);

  protected:
    // The runtime's parts.
    virtual Scheduler& scheduler() = 0;
    virtual Station& station() = 0;
    // Text from the controller, on the line now.
    virtual void deliver(const std::string& text) = 0;
    virtual void commEvent(CommEvent event) = 0;
    // A click on a control the user can reach (visible and enabled).
    virtual void click(WindowModel& window, Control& control) = 0;
    // Text typed into a text box.
    virtual void type(WindowModel& window, Control& control, const std::string& text);
    virtual void answerNext(MsgAnswer answer, int64_t afterMs) = 0;
    // The answer to the next file dialog, given `openMs` after it opens.
    virtual void answerFile(std::optional<std::string> path, int64_t openMs) = 0;
    // `port close|open|unplug|plug|fail N|simulated`; false with `why` for a command it cannot
    // do.
    virtual bool port(const std::string& what, int number, std::string& why) = 0;
    // Runs the scheduled steps and the station until `endTime` or the station's end.
    virtual void runUntil(int64_t endTime) = 0;
    // After every step: the views follow the models.
    virtual void stepDone() {}
    // Why the screen does not show the window as its model says; empty when it does.
    virtual std::string offScreen(WindowModel&) { return {}; }
    // Printed text with the runtime's own names made stable (folders, devices).
    virtual std::string stable(const std::string& text) const;
    // The real broker telemetry goes to, when the runtime has one (null: the memory publisher,
    // which a scenario can make lose its broker).
    virtual telemetry::Publisher* broker(const telemetry::Identity&) { return nullptr; }

    // Call once the station exists: event-list lines are printed as they are added.
    void attach();
    // Call before the station and its scheduler go.
    void endTelemetry() {
        telemetry_.reset();
        printing_.reset();
    }
    void print(const std::string& text);
    void print(const std::string& text, int64_t time);
    void printMessage(const telemetry::Message& message);
    void printBox(const std::string& title, const std::string& text, MsgAnswer answer);
    void printFileDialog(const std::string& title, const std::optional<std::string>& path);
    // A scenario's file name: relative names are in the application folder.
    std::string filePath(const std::string& name) const;
    static MsgAnswer answerOf(const std::string& word);

    const Options& options_;
    ScenarioClock clock_;
    bool finished_ = false;
    bool ok_ = true;

  private:
    void perform(const Step& step);
    void fail(const Step& step, const std::string& why);
    bool target(const Step& step, const std::string& text, WindowModel*& w, Control*& c);
    void show(const Step& step);
    void file(const std::string& name);
    void telemetryStep(const Step& step);

    // Telemetry once a scenario turns it on; every message is printed as a PUB line.
    class Printing;
    telemetry::MemoryPublisher memory_;
    std::unique_ptr<telemetry::Publisher> printing_;
    std::unique_ptr<telemetry::Telemetry> telemetry_;

    std::ostream& out_;
    Station* attached_ = nullptr;
};

} // namespace orbek::replay
