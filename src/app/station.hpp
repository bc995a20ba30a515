// The one Station: shared state, window models and the seams to the outside world. Every
// behaviour reaches the rest of the station through it. It wires no behaviour itself: the
// assembly above every subsystem (station/assembled_station.hpp) does.
#pragma once

#include "app/start_window.hpp"
#include "app/state.hpp"
#include "app/windows.hpp"
#include "core/clock.hpp"
#include "core/paths.hpp"
#include "core/scheduler.hpp"
#include "core/serial_port.hpp"
#include "core/ui_host.hpp"
#include "link/frame.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace orbek {

// Something the station did that the outside may want to know (telemetry): a name such as
// "run_ended" and its details, each a text, a whole number or a yes/no.
struct StationEvent {
    using Value = std::variant<std::string, int64_t, bool>;
    std::string name;
    std::vector<std::pair<std::string, Value>> details;
};

class Station {
  public:
    Station(Scheduler& scheduler, SerialPort& port, UiHost& ui, WallClock& clock, Paths paths);
    virtual ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    StationState state;

    Scheduler& scheduler;
    SerialPort& port;
    UiHost& ui;
    WallClock& clock;
    Paths paths;

    // Finds the reply frames in the received text (RxText).
    link::Receiver receiver;

    // Windows are reached through these; reaching one loads it hidden when it is not loaded.
    StartWindow& Start();
    ParametresWindow& Parametres();
    UsuresWindow& Usures();
    TestsMVWindow& TestsMV();
    DataLoggerWindow& DataLogger();
    BoitestopWindow& Boitestop();
    CodeDialogueWindow& CodeDialogue();
    CodeserreursWindow& Codeserreurs();
    FenInfoHolderWindow& FenInfoHolder();
    AlarmHolderWindow& AlarmHolder();
    TelemetryWindow& Telemetry();

    // A window by its name, as it is (loaded or not); null for an unknown name.
    WindowModel* findWindow(const std::string& name);
    // Every window, as it is.
    std::vector<WindowModel*> windows();

    // The window models as they are, loaded or not: for connecting handlers, for views and for
    // the final unload, none of which may load a window.
    struct Windows {
        std::unique_ptr<StartWindow> Start;
        std::unique_ptr<ParametresWindow> Parametres;
        std::unique_ptr<UsuresWindow> Usures;
        std::unique_ptr<TestsMVWindow> TestsMV;
        std::unique_ptr<DataLoggerWindow> DataLogger;
        std::unique_ptr<BoitestopWindow> Boitestop;
        std::unique_ptr<CodeDialogueWindow> CodeDialogue;
        std::unique_ptr<CodeserreursWindow> Codeserreurs;
        std::unique_ptr<FenInfoHolderWindow> FenInfoHolder;
        std::unique_ptr<AlarmHolderWindow> AlarmHolder;
        std::unique_ptr<TelemetryWindow> Telemetry;
    };
    Windows& models() { return windows_; }

    // The thermometer bar's level as last drawn, and the bar's revision just after: while
    // nothing else draws on it, a new level redraws only the rows that change.
    struct BarDrawn {
        int celsius = 0;
        uint64_t revision = ~uint64_t{0};
    } thermometerDrawn;
    // Scale factors of DataCoeff.ini already reported as not a number.
    std::array<bool, 16> coefficientReported{};
    // The port number last opened, which comes back after its device went away; the last
    // failure to open listed since the port was open, the last told in a box and the last told
    // while reopening, each said once.
    struct PortWatch {
        int opened = 0;
        std::string listed;
        std::string boxed;
        std::string reopening;
    } portWatch;

    // Appends one line to the event list.
    void addEvent(std::string line);
    // Told of every line added to the event list, as it is added (the scenario players).
    std::function<void(const std::string&)> onEvent;

    // Tells what the station did to whoever listens (telemetry); nothing is built or called
    // while no one does. Callers on a hot path ask `telling()` first.
    std::function<void(const StationEvent&)> onStationEvent;
    bool telling() const { return static_cast<bool>(onStationEvent); }
    void tell(const StationEvent& event) {
        if (onStationEvent && !ended_) onStationEvent(event);
    }

    // Writes the three-byte order (0, code, value), only while the port is open.
    void sendOrder(uint8_t code, uint8_t value);

    // A file that could not be read or written: one event-list line naming it and why.
    void reportFileProblem(const std::filesystem::path& file, const std::string& action,
                           const std::string& why);
    // A file that holds less than its reader expects: one event-list line naming it.
    void reportShortFile(const std::filesystem::path& file, const std::string& what);
    // A configuration or user file read as the files module reads it, at most
    // files::kConfigLimit bytes: what was refused of it (not a regular file, the part past the
    // limit) is one event-list line, told again only once the file has read clean.
    std::optional<std::vector<std::string>> configLines(const std::filesystem::path& file);
    std::optional<std::vector<std::string>> configItems(const std::filesystem::path& file);

    // Ends the station: every timer stops and the host ends the program. `reason` is set where
    // the end is no choice of the user, for the program to tell.
    void endProgram(std::string reason = {});
    bool ended() const { return ended_; }
    const std::string& endReason() const { return endReason_; }

    // The path of a configuration file in the application folder.
    std::filesystem::path appFile(const std::string& name) const;

  private:
    void tellRefusal(const std::filesystem::path& file, const std::string& refused);

    Windows windows_;
    // The refusal last told for each file.
    std::map<std::filesystem::path, std::string> refusalsTold_;
    bool ended_ = false;
    std::string endReason_;
};

} // namespace orbek
