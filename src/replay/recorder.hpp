// Records the station's session as a scenario while it happens, so that a problem met in the
// field replays on a desk, on virtual time and live.
//
// The recorder stands at the station's seams: the station is built on its port, UI host and
// wall clock, which pass everything through to the real ones and, while a recording runs,
// write down what crosses them:
// - every chunk of characters the station reads from the line, as `bytes` at the time it was
//   read, and every communication event, as `comm` (the device's loss and return as `port`);
// - every answer to a message box or the file dialog, as an `answer` line placed before the
//   box (in the scenario language an answer waits for its box), with the time the box stayed
//   open;
// - the user's input where it reaches the window models (clicks, typed text, slider values,
//   check boxes), told apart from the station's own handler calls by running when nothing else
//   of the station runs at that modal level;
// - the wall clock at the start, which the station then reads from the session's time, so the
//   replay reads the same;
// - as comments, what the station did: "# TX" lines (the orders written) and "# LIST" lines
//   (the event list), which orbek-replay --check-recording compares with a replay.
//
// Each line is written and flushed as it happens, so a killed station leaves a recording up
// to its last event. An answer line is written when its box opens, with the answer a box still
// open at the end gets (the default, after the end), and completed in place once the box is
// answered. The configuration files at the start go beside the recording, in FILE.base/.
#pragma once

#include "core/clock.hpp"
#include "core/forwarding_port.hpp"
#include "core/scheduler.hpp"
#include "core/ui_host.hpp"
#include "replay/scenario.hpp"

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orbek {
class Station;
struct Control;
class WindowModel;
} // namespace orbek

namespace orbek::replay {

class SessionRecorder {
  public:
    SessionRecorder(Scheduler& scheduler, SerialPort& line, UiHost& ui, WallClock& clock);
    ~SessionRecorder();
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // The seams to build the station on.
    SerialPort& port() { return port_; }
    UiHost& ui() { return ui_; }
    WallClock& clock() { return clock_; }

    // Connects the station built on those seams: its windows' input, its event list and the
    // File menu's "Record session..." entry.
    void attach(Station& station);

    // Starts a recording into `file`, with the configuration files copied into `file`.base;
    // false, with why, when either cannot be written. Before the program's start (`runStart`)
    // the recording holds the whole session; later it begins with a fresh station logged in at
    // the present level, and what happened before is not in it.
    bool start(const std::filesystem::path& file, std::string* why);
    // Ends the recording with an `end` step.
    void stop();
    bool recording() const { return file_ != nullptr; }
    const std::filesystem::path& file() const { return path_; }

    // Runs the program's start (the main window's load) as the recording's `start` step.
    void runStart(const std::function<void()>& load);

    // Where a recording started mid-session has its own events begin (later where the line is
    // lost, so that the replay's tries to open it fall in step); before, the replay's fresh
    // station starts and logs in.
    static constexpr int64_t kPreambleMs = 100;

  private:
    class Port : public ForwardingPort {
      public:
        Port(SessionRecorder& recorder, SerialPort& line)
            : ForwardingPort(line), recorder_(recorder) {}
        bool open(int number) override;
        bool reopen(int number) override;
        void write(const std::vector<uint8_t>& bytes) override;
        std::string read(std::size_t maxChars) override;

      protected:
        void forward(CommEvent event) override;

      private:
        // `port plug` or `port unplug` where the line came back or went since the last open.
        bool afterOpen(bool wasOpen, bool opened);
        SessionRecorder& recorder_;
    };
    class Ui : public UiHost {
      public:
        Ui(SessionRecorder& recorder, UiHost& host) : recorder_(recorder), host_(host) {}
        MsgAnswer message(const MessageBox& box) override;
        void runModal(WindowModel& window) override;
        std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
        void endProgram() override { host_.endProgram(); }
        void changed() override { host_.changed(); }

      private:
        SessionRecorder& recorder_;
        UiHost& host_;
    };
    class Clock : public WallClock {
      public:
        Clock(SessionRecorder& recorder, WallClock& wall);
        DateTime now() const override;
        ScenarioClock session;

      private:
        SessionRecorder& recorder_;
        WallClock& wall_;
    };

    // What runs at one modal level: a modal box or window starts a new one inside it.
    struct Level {
        int busy = 0;           // handlers, events and the start running at this level
        bool userStep = false;  // the outermost of them is the user's input
        bool receiving = false; // a Receive event runs
        int64_t stepAt = -1;    // the time of the step being run (it is pending or written)
    };
    // A line reserved for an answer, completed in place once the box closes.
    struct Slot {
        std::streampos position{};
        std::size_t width = 0;
        int64_t opened = 0;
        uint64_t recording = 0;
    };

    // Times, on the station's scheduler.
    int64_t clockNow();
    int64_t stepTime();
    int64_t openTime();
    int64_t answerTime(int64_t opened);

    // Lines.
    void beginStep(int64_t at, const std::string& text);
    void endStep();
    void stepNow(const std::string& text);
    void stepBefore(const std::string& text);
    void note(const std::string& text);
    std::string line(int64_t at, const std::string& text) const;
    void flushPending();
    void put(const std::string& text);
    Slot reserve(int64_t opened, const std::string& placeholder, std::size_t width);
    bool complete(const Slot& slot, const std::string& text);
    void failed(const std::string& why);

    // Modal levels.
    Level enterModal();
    void leaveModal(const Level& outer);

    // The user's input.
    void onFire(WindowModel& window, const std::string& event, bool done);
    std::string inputLine(WindowModel& window, const std::string& event) const;
    // An event-list line as the recording keeps it: folders and the line's device by name.
    std::string listLine(const std::string& line) const;

    void onEntry();
    void showEntry();
    void preamble(bool launched, bool trying, const DateTime& wall,
                  const std::filesystem::path& folder);
    std::string relative(const std::string& path) const;

    Scheduler& scheduler_;
    Port port_;
    Ui ui_;
    Clock clock_;
    Station* station_ = nullptr;

    std::unique_ptr<std::fstream> file_;
    std::filesystem::path path_;
    uint64_t recordingNumber_ = 0;
    int64_t origin_ = 0;
    int64_t lastStep_ = 0;
    bool launched_ = false;
    bool unplugged_ = false;
    Level level_;
    std::vector<std::string> pending_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Copies the configuration files the station reads (those of the application folder, and the
// two user files into user/) into `to`; false, with why, when they cannot be copied.
bool saveConfiguration(const std::filesystem::path& appFolder,
                       const std::filesystem::path& userFolder, const std::filesystem::path& to,
                       std::string* why);
// Starts an application folder and a user folder from such a copy (the copy stays as it is);
// false, with why, when it cannot be read or the folders written.
bool loadConfiguration(const std::filesystem::path& from, const std::filesystem::path& appFolder,
                       const std::filesystem::path& userFolder, std::string* why);

} // namespace orbek::replay
