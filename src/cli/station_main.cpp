// orbek-station: the operator station.
#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/clock.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("orbek-station");
    QApplication::setApplicationVersion("1.14");

    QCommandLineParser parser;
    parser.setApplicationDescription("ORBEK operator station");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption baseOption("base", "Application folder (configuration files, Data, Img).",
                                  "DIR");
    parser.addOption(baseOption);
    parser.process(application);

    orbek::Paths paths;
    const QString home = QDir::homePath();
    paths.appFolder = parser.isSet(baseOption)
                          ? parser.value(baseOption).toStdString()
                          : (home + "/.local/share/orbek-station").toStdString();
    paths.userFolder = (home + "/.config/orbek-station").toStdString();
    std::filesystem::create_directories(paths.appFolder);
    std::filesystem::create_directories(paths.userFolder);

    orbek::Scheduler scheduler;
    orbek::SystemClock clock;
    std::unique_ptr<orbek::qt::StartView> view;
    orbek::qt::QtUiHost ui([&view]() -> QWidget* { return view.get(); });
    orbek::Station* stationPtr = nullptr;
    orbek::qt::QtSerialPort port([&stationPtr] {
        return stationPtr ? std::filesystem::path(stationPtr->state.BasePath)
                          : std::filesystem::path();
    });
    orbek::Station station(scheduler, port, ui, clock, paths);
    stationPtr = &station;

    view = std::make_unique<orbek::qt::StartView>(station);
    ui.render = [&view] {
        if (view) view->render();
    };
    orbek::qt::SchedulerDriver driver(scheduler);
    driver.afterAdvance = ui.render;
    view->show();
    QTimer::singleShot(0, [&] {
        orbek::app::Form_Load(station);
        ui.render();
        driver.start();
    });
    const int code = application.exec();
    view.reset();
    return code;
}
