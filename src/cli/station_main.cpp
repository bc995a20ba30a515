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
#include "app/station.hpp"
#include "core/clock.hpp"
#include "qt/colours.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"
#include "qt/station_icon.hpp"
#include "sim/scenario.hpp"
#include "sim/simulated_port.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>

int main(int argc, char** argv) {
    // The help and the version need no screen: they work in a terminal without a display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if ((arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
             arg == "--version") &&
            !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "minimal");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("orbek-station");
    QApplication::setApplicationVersion("1.14");
    QApplication::setWindowIcon(orbek::qt::stationIcon());
    QGuiApplication::setDesktopFileName("org.orbek.station");
    if (qEnvironmentVariable("ORBEK_SCREENSHOT_PALETTE") == "dark")
        QApplication::setPalette(orbek::qt::darkPalette());

    QCommandLineParser parser;
    parser.setApplicationDescription("ORBEK operator station");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption baseOption("base", "Application folder (configuration files, Data, Img).",
                                  "DIR");
    QCommandLineOption simulateOption("simulate", "Run against the built-in simulated controller.");
    QCommandLineOption speedOption(
        "speed", "With --simulate: phases and countdowns X times faster.", "X", "1");
    QCommandLineOption faultsOption("faults", "With --simulate: timed faults from FILE.", "FILE");
    parser.addOption(baseOption);
    parser.addOption(simulateOption);
    parser.addOption(speedOption);
    parser.addOption(faultsOption);
    parser.process(application);

    // Paths from Qt's texts through UTF-16: the narrow form is not UTF-8 on Windows.
    std::error_code ec;
    orbek::Paths paths =
        orbek::platformPaths(QDir::toNativeSeparators(QDir::homePath()).toStdU16String(),
                             std::filesystem::current_path(ec));
    if (parser.isSet(baseOption))
        paths.appFolder = std::filesystem::absolute(parser.value(baseOption).toStdU16String(), ec);

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
    if (parser.isSet(simulateOption)) {
        orbek::sim::SimOptions options;
        bool ok = false;
        options.speed = parser.value(speedOption).toDouble(&ok);
        if (!ok || options.speed <= 0) {
            std::fprintf(stderr, "orbek-station: --speed needs a number above 0\n");
            return 2;
        }
        if (parser.isSet(faultsOption)) {
            std::string error;
            if (!orbek::sim::loadScenario(parser.value(faultsOption).toStdString(), options.faults,
                                          &error)) {
                std::fprintf(stderr, "orbek-station: %s\n", error.c_str());
                return 2;
            }
        }
        simulated = std::make_unique<orbek::sim::SimulatedPort>(scheduler, options);
        port = simulated.get();
    }
    orbek::Station station(scheduler, *port, ui, clock, paths);
    stationPtr = &station;

    view = std::make_unique<orbek::qt::StartView>(station);
    // Every request makes at most one pass per screen frame.
    ui.render = [&view] {
        if (view) view->requestRender();
    };
    // A window opened from any handler is on screen at once, not at the next click.
    ui.showWindow = [&view](orbek::WindowModel& window, bool) {
        if (view) view->bringForward(window.name());
    };
    ui.scheduler = &scheduler;
    serialPort.afterEvent = ui.render;
    orbek::qt::SchedulerDriver driver(scheduler);
    driver.afterAdvance = ui.render;
    view->show();
    QTimer::singleShot(0, [&] {
        orbek::app::Form_Load(station);
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
    view.reset();
    if (!station.endReason().empty())
        std::fprintf(stderr, "orbek-station: %s: the station has ended\n",
                     station.endReason().c_str());
    return code;
}
