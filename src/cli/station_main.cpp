// orbek-station: the operator station.
//
// The application folder is the top-level folder of the home that holds the current directory
// where that folder already holds a station (started from ~/Station/bin it is ~/Station), else
// $XDG_DATA_HOME/orbek-station; --base DIR overrides it. The two user files live in
// $XDG_CONFIG_HOME/orbek-station. On Windows the drive takes the home's place, with
// %LOCALAPPDATA% and %APPDATA% for the two XDG folders.
//
// ORBEK_SCREENSHOT=FILE.png saves a picture of the main window once start-up has run and ends
// the station (ORBEK_SCREENSHOT_VIEW=log shows the event list instead of the plot;
// ORBEK_SCREENSHOT_PALETTE=dark pictures it on a dark desktop palette).
#include "app/shutdown.hpp"
#include "app/startup.hpp"
#include "cli/arguments.hpp"
#include "core/clock.hpp"
#include "core/paths.hpp"
#include "core/serial_devices.hpp"
#ifdef ORBEK_WITH_MQTT
#include "mqtt/mqtt_publisher.hpp"
#endif
#include "qt/colours.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_process_runner.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"
#include "qt/station_icon.hpp"
#include "replay/recorder.hpp"
#include "sim/scenario.hpp"
#include "sim/simulated_port.hpp"
#include "station/assembled_station.hpp"
#include "telemetry/event_command.hpp"
#include "telemetry/settings.hpp"
#include "telemetry/telemetry.hpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
// A station ended by the system (logout, a kill, Ctrl+C in its terminal) ends as by Quit, from
// the event loop: the port closes and its lock file goes with it, so the next user may open it,
// and a broker hears "offline" from the station itself.
int endSignals[2] = {-1, -1};

void onEndSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto written = ::write(endSignals[1], &c, 1);
}

void endOnSignals(QApplication& application, const std::function<void()>& end) {
    if (::pipe2(endSignals, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(endSignals[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, [end] {
        char c;
        while (::read(endSignals[0], &c, 1) > 0) {
        }
        end();
    });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}
#endif

// The command line, read before anything needs a screen.
struct StationOptions {
    std::optional<std::filesystem::path> base;
    bool simulate = false;
    orbek::sim::SimOptions simulation;
    bool listPorts = false;
    std::optional<std::filesystem::path> record; // the session as a scenario for orbek-replay
    orbek::telemetry::CommandLine telemetry;     // --mqtt, --station-name, --on-event
};

constexpr const char* kUsage = R"(usage: orbek-station [options]

The ORBEK operator station: drives the machine's controller over the RS232 line.

  --base DIR       the application folder (configuration files, Data, Img)
  --simulate       run against the built-in simulated controller, not the serial line
  --speed X        with --simulate: phases and countdowns X times faster (above 0, at most 1000)
  --faults FILE    with --simulate: timed faults from FILE, in the scenario format of orbek-sim
  --list-ports     print the device each COM number opens, and the serial devices under
                   /dev/serial/by-id that no number opens yet, then end
  --record FILE    record the session as a scenario into FILE, for orbek-replay (the
                   configuration files at the start are saved in FILE.base)
  --mqtt URL       publish state and events to the MQTT broker at URL (mqtt://HOST[:PORT]
                   or mqtts://HOST[:PORT]); more in telemetry.conf (README, Telemetry)
  --station-name NAME
                   the station's name in the topics (default: the host name)
  --on-event PROGRAM
                   start PROGRAM (no shell) for each event, with the event's name as its
                   argument and its JSON on standard input
  -h, --help       this text
  --help-all       this text and a word on the Qt toolkit's own options
  -v, --version    the version
)";

// The toolkit's own options, passed on to it as they are.
constexpr const char* kQtOptionsWithValue[] = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin",      "-style",   "-stylesheet",
    "-session",  "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-display", "-geometry"};
constexpr const char* kQtFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

StationOptions readOptions(int argc, char** argv) {
    StationOptions o;
    orbek::cli::Arguments args("orbek-station", argc, argv);
    std::optional<double> speed;
    std::optional<std::filesystem::path> faults;
    while (args.next()) {
        if (args.is("-h") || args.is("--help") || args.is("--help-all")) {
            std::fputs(kUsage, stdout);
            if (args.is("--help-all"))
                std::fputs("\nThe Qt toolkit's options (-platform NAME, -style NAME, -reverse...) "
                           "are passed on to it.\n",
                           stdout);
            std::exit(0);
        } else if (args.is("-v") || args.is("--version")) {
            std::printf("orbek-station %s\n", orbek::cli::kVersion);
            std::exit(0);
        } else if (args.is("--base")) {
            o.base = args.folder();
        } else if (args.is("--simulate")) {
            args.noValue();
            o.simulate = true;
        } else if (args.is("--list-ports")) {
            args.noValue();
            o.listPorts = true;
        } else if (args.is("--record")) {
            const std::string file = args.value();
            if (file.empty()) args.reject("--record needs a file");
            o.record = std::filesystem::path(file);
        } else if (args.is("--mqtt")) {
            const std::string url = args.value();
            std::string why;
            if (!orbek::telemetry::parseUrl(url, &why)) args.reject("--mqtt: " + why);
#ifndef ORBEK_WITH_MQTT
            args.reject("--mqtt: this build has no MQTT adapter");
#endif
            o.telemetry.url = url;
        } else if (args.is("--station-name")) {
            const std::string name = args.value();
            if (const std::string bad = orbek::telemetry::badName(name, false); !bad.empty())
                args.reject("--station-name '" + name + "' " + bad);
            o.telemetry.station = name;
        } else if (args.is("--on-event")) {
            const std::string program = args.value();
            if (program.empty()) args.reject("--on-event needs a program");
            o.telemetry.onEvent = program;
        } else if (args.is("--speed")) {
            speed = args.speed();
        } else if (args.is("--faults")) {
            faults = args.existingFile();
        } else if (std::find_if(std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue),
                                [&](const char* q) { return args.is(q); }) !=
                   std::end(kQtOptionsWithValue)) {
            args.value();
        } else if (std::find_if(std::begin(kQtFlags), std::end(kQtFlags),
                                [&](const char* q) { return args.is(q); }) == std::end(kQtFlags)) {
            args.unknown();
        }
    }
    if ((speed || faults) && !o.simulate)
        args.reject(std::string(speed ? "--speed" : "--faults") + " needs --simulate");
    if (speed) o.simulation.speed = *speed;
    std::string error;
    if (faults && !orbek::sim::loadScenario(faults->string(), o.simulation.faults, &error))
        args.reject("--faults " + error);
    return o;
}

// Runs `then` once the first paint of the window it watches is on the screen (or after a while
// without one): the start-up puts there what the first paint does not need.
class AfterFirstPaint : public QObject {
  public:
    explicit AfterFirstPaint(std::function<void()> then) : then_(std::move(then)) {
        QTimer::singleShot(kLatestMs, this, [this] { run(); });
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Queued: it runs once the whole window is painted and flushed.
        if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { run(); });
        return QObject::eventFilter(watched, event);
    }

  private:
    static constexpr int kLatestMs = 1000;
    void run() {
        if (done_) return;
        done_ = true;
        then_();
    }
    std::function<void()> then_;
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    const StationOptions options = readOptions(argc, argv);

    // Paths from Qt's texts through UTF-16: the narrow form is not UTF-8 on Windows.
    std::error_code ec;
    orbek::Paths paths =
        orbek::platformPaths(QDir::toNativeSeparators(QDir::homePath()).toStdU16String(),
                             std::filesystem::current_path(ec));
    if (options.base) paths.appFolder = std::filesystem::absolute(*options.base, ec);
    if (options.listPorts) {
        // No screen and no station: only where each COM number goes.
        std::fputs(orbek::portListing(orbek::app::findApplicationFolder(paths)).c_str(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("orbek-station");
    QApplication::setApplicationVersion(orbek::cli::kVersion);
    QGuiApplication::setDesktopFileName("org.orbek.station");
    if (qEnvironmentVariable("ORBEK_SCREENSHOT_PALETTE") == "dark")
        QApplication::setPalette(orbek::qt::darkPalette());

    orbek::Scheduler scheduler;
    orbek::SystemClock clock;
    std::unique_ptr<orbek::qt::StartView> view;
    orbek::qt::QtUiHost ui([&view]() -> QWidget* { return view.get(); });
    orbek::Station* stationPtr = nullptr;
    orbek::qt::QtSerialPort serialPort([&stationPtr] {
        return stationPtr ? orbek::pathFromText(stationPtr->state.BasePath)
                          : std::filesystem::path();
    });
    orbek::SerialPort* port = &serialPort;
    // The in-process simulated controller takes the serial port's place.
    std::unique_ptr<orbek::sim::SimulatedPort> simulated;
    if (options.simulate) {
        simulated = std::make_unique<orbek::sim::SimulatedPort>(scheduler, options.simulation);
        port = simulated.get();
    }
    // The station runs on the session recorder's seams, which pass everything through and write
    // it down while a recording runs (--record, or the File menu at service level).
    orbek::replay::SessionRecorder recorder(scheduler, *port, ui, clock);
    orbek::AssembledStation station(scheduler, recorder.port(), recorder.ui(), recorder.clock(),
                                    paths);
    stationPtr = &station;
    recorder.attach(station);
    if (options.record) {
        std::string why;
        if (!recorder.start(*options.record, &why)) {
            std::fprintf(stderr, "orbek-station: cannot record to %s: %s\n",
                         orbek::pathText(*options.record).c_str(), why.c_str());
            return 2;
        }
    }

#ifndef _WIN32
    endOnSignals(application, [&station] { orbek::app::QuittFinal(station); });
#endif
    view = std::make_unique<orbek::qt::StartView>(station, nullptr,
                                                  orbek::qt::StartView::Windows::Later);
    // Every request makes at most one pass per screen frame.
    ui.render = [&view] {
        if (view) view->requestRender();
    };
    // A window opened from any handler is on screen at once, not at the next click.
    ui.showWindow = [&view](orbek::WindowModel& window, bool) {
        if (view) view->bringForward(window.name());
    };
    ui.scheduler = &scheduler;
    // What the line or a timer changed is drawn on the same wake-up where a frame has passed.
    const auto renderSoon = [&view] {
        if (view) view->renderSoon();
    };
    serialPort.afterEvent = renderSoon;
    // A frame is handed to the station on the wake-up that brought it.
    serialPort.handOverAtOnce = true;
    ui.nesting = [&serialPort] { serialPort.nesting(); };
    orbek::qt::SchedulerDriver driver(scheduler);
    driver.afterAdvance = renderSoon;
    // The icon and the other windows' views after the first paint. ORBEK_FIRST_PAINT=1 is the
    // start-up benchmark's mark: the wall clock then goes to standard error, and the station
    // ends.
    const bool tellFirstPaint = qEnvironmentVariable("ORBEK_FIRST_PAINT") == "1";
    AfterFirstPaint afterFirstPaint([&] {
        if (tellFirstPaint) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::system_clock::now().time_since_epoch());
            std::fprintf(stderr, "orbek-station: first paint at %lld ns\n",
                         static_cast<long long>(ns.count()));
            orbek::app::QuittFinal(station);
            return;
        }
        QApplication::setWindowIcon(orbek::qt::stationIcon());
        view->buildWindows();
    });
    view->installEventFilter(&afterFirstPaint);

    // Telemetry, when a broker or an event command is configured.
    std::vector<std::string> telemetryProblems;
    const orbek::telemetry::Settings settings = orbek::telemetry::loadSettings(
        paths.userFile("telemetry.conf"), options.telemetry,
        QSysInfo::machineHostName().toStdString(), telemetryProblems);
#ifdef ORBEK_WITH_MQTT
    std::unique_ptr<orbek::mqtt::MqttPublisher> broker;
#endif
    orbek::qt::QtProcessRunner runner;
    std::unique_ptr<orbek::telemetry::EventCommand> eventCommand;
    std::unique_ptr<orbek::telemetry::Telemetry> telemetry;
    if (settings.on()) {
        orbek::telemetry::Identity identity{settings.station, settings.prefix, settings.discovery,
                                            settings.broker ? settings.broker->text() : ""};
        telemetry =
            std::make_unique<orbek::telemetry::Telemetry>(station, identity, &orbek::utcNow);
#ifdef ORBEK_WITH_MQTT
        if (settings.broker) {
            orbek::mqtt::Options o;
            o.host = settings.broker->host;
            o.port = settings.broker->port;
            o.tls = settings.broker->tls;
            o.clientId = "orbek-" + settings.station + "-" + std::to_string(::getpid());
            o.user = settings.user;
            o.password = settings.password;
            o.caFile = settings.caFile;
            o.certFile = settings.certFile;
            o.keyFile = settings.keyFile;
            o.willTopic = settings.prefix + "/availability";
            broker = std::make_unique<orbek::mqtt::MqttPublisher>(o);
            telemetry->addPublisher(*broker, true);
        }
#endif
        if (!settings.onEvent.empty()) {
            eventCommand =
                std::make_unique<orbek::telemetry::EventCommand>(station, runner, settings.onEvent);
            telemetry->setEventCommand(*eventCommand);
        }
    }

    view->show();
    QTimer::singleShot(0, [&] {
        recorder.runStart([&] { orbek::app::Form_Load(station); });
        for (const std::string& line : telemetryProblems)
            station.addEvent(line);
        if (telemetry) telemetry->start();
        ui.render();
        driver.start();
    });

    const QString screenshot = qEnvironmentVariable("ORBEK_SCREENSHOT");
    const bool screenshotOfRun = qEnvironmentVariable("ORBEK_SCREENSHOT_VIEW") == "run";
    const auto saveScreenshot = [&] {
        view->render();
        QApplication::processEvents();
        const bool saved = view->grab().save(screenshot);
        std::fprintf(stderr, "orbek-station: %s %s\n",
                     saved ? "screenshot saved to" : "could not save screenshot to",
                     screenshot.toLocal8Bit().constData());
        orbek::app::QuittFinal(station);
    };
    if (!screenshot.isEmpty() && screenshotOfRun) {
        // A run on the simulated controller: the operator's word, Start, then the picture a
        // few seconds into phase 4.
        QTimer::singleShot(300, [&] {
            orbek::StartWindow& w = *station.models().Start;
            w.Text1.caption = "marigold";
            w.fire("OkStart");
            w.fire("Startbouton");
            ui.render();
        });
        auto* watch = new QTimer(&application);
        QObject::connect(watch, &QTimer::timeout, [&, watch, phase4 = int64_t(-1)]() mutable {
            if (station.state.LampPhase == 4 && phase4 < 0) phase4 = scheduler.now();
            if (phase4 < 0 || scheduler.now() - phase4 < 8000) return;
            watch->stop();
            saveScreenshot();
        });
        watch->start(100);
    } else if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, [&] {
            if (qEnvironmentVariable("ORBEK_SCREENSHOT_VIEW") == "log") {
                station.models().Start->fire("Log");
                ui.render();
            }
            saveScreenshot();
        });
    }

    const int code = application.exec();
    // The station has said "offline" (every normal end passes through its end); what waits
    // goes to the broker, and the command on events runs the last events, each for a while.
#ifdef ORBEK_WITH_MQTT
    if (broker) broker->finish(2000);
#endif
    if (eventCommand) {
        QElapsedTimer waited;
        waited.start();
        while (!eventCommand->idle() && waited.elapsed() < 5000) {
            runner.waitForIdle(100);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    telemetry.reset();
    view.reset();
    if (!station.endReason().empty())
        std::fprintf(stderr, "orbek-station: %s: the station has ended\n",
                     station.endReason().c_str());
    return code;
}
