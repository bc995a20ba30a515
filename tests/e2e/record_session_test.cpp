// A whole run recorded through the real program: the Qt host and views, the serial adapter on
// orbek-sim's pseudo-terminal, widgets clicked as an operator does (inside the wait box too)
// and boxes answered after a while, frames flowing meanwhile. The recording then replays on
// virtual time and live with the orders and event-list lines the session had.
#include "app/startup.hpp"
#include "core/clock.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"
#include "replay/recorder.hpp"
#include "replay/scenario.hpp"
#include "station/assembled_station.hpp"
#include "support/child_program.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace orbek {
namespace {

namespace fs = std::filesystem;

// The station runs this many times faster than life, the simulated controller faster still.
constexpr double kStationSpeed = 5;
constexpr int kSimSpeed = 100;
// The ready box stays open long enough for the controller's idle readings to come inside it.
constexpr int64_t kBoxOpenMs = 6000;

QMessageBox* openBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

TEST(RecordSession, AWholeRunThroughTheRealProgramReplaysVirtualAndLiveWithItsOrdersAndList) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "Station";
    fs::create_directories(app);
    std::ofstream(app / "status.ini") << "2\r\n";
    test::ChildProgram sim("orbek-sim", {"--base", app.string(), "--port", "2", "--speed",
                                         std::to_string(kSimSpeed), "--seed", "7"});
    ASSERT_TRUE(sim.started()) << "orbek-sim is built beside the tests";
    ASSERT_TRUE(test::waitFor([&] { return fs::is_symlink(app / "com2"); }, 5000));

    // The objects orbek-station builds, on the recorder's seams.
    const fs::path file = folder.path() / "session.scenario";
    Scheduler scheduler;
    SystemClock clock;
    std::unique_ptr<qt::StartView> view;
    qt::QtUiHost ui([&view]() -> QWidget* { return view.get(); });
    qt::QtSerialPort line([&app] { return app; });
    replay::SessionRecorder recorder(scheduler, line, ui, clock);
    AssembledStation station(scheduler, recorder.port(), recorder.ui(), recorder.clock(),
                             Paths{app, folder.path() / "user"});
    recorder.attach(station);
    view = std::make_unique<qt::StartView>(station);
    ui.render = [&view] { view->render(); };
    ui.showWindow = [&view](WindowModel& window, bool) { view->bringForward(window.name()); };
    ui.scheduler = &scheduler;
    line.afterEvent = ui.render;
    qt::SchedulerDriver driver(scheduler);
    driver.afterAdvance = ui.render;
    driver.setSpeed(kStationSpeed);
    view->show();
    ASSERT_TRUE(recorder.start(file, nullptr));
    recorder.runStart([&] { app::Form_Load(station); });
    ui.render();
    driver.start();

    // The operator, step by step, each once the station is ready for it; and whoever answers
    // the boxes, a while after they open.
    StartWindow& w = *station.models().Start;
    const auto button = [&](const char* name) {
        return qobject_cast<QAbstractButton*>(view->widgetOf(name));
    };
    int64_t done = 0;
    const auto after = [&](int64_t ms) { return scheduler.now() - done >= ms; };
    int64_t waitBoxOpened = -1;
    int64_t boxOpened = -1;
    int boxesAnswered = 0;
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    const std::vector<Step> steps{
        {[&] { return w.Picture8.visible && after(100); },
         [&] {
             auto* word = qobject_cast<QLineEdit*>(view->widgetOf("Text1"));
             word->selectAll();
             word->insert("marigold");
             button("OkStart")->click();
         }},
        {[&] { return w.Startbouton.visible && after(300); },
         [&] { button("Startbouton")->click(); }},
        {[&] { return station.state.LampPhase == 4 && after(800); },
         [&] {
             auto* slider = qobject_cast<QSlider*>(view->widgetOf("VScroll1[5]"));
             slider->setSliderDown(true);
             slider->setSliderPosition(60);
             slider->setSliderDown(false);
             button("Command7")->click();
         }},
        {[&] { return after(800); }, [&] { button("StartHalogen")->click(); }},
        {[&] { return w.StopHalogen.visible && after(800); },
         [&] { button("StopHalogen")->click(); }},
        {[&] { return after(800); }, [&] { button("Stopbouton")->click(); }},
        // Inside the wait box's loop the operator closes it before the countdown ends.
        {[&] { return waitBoxOpened >= 0 && scheduler.now() - waitBoxOpened >= 1500; },
         [&] {
             view->findChild<QDialog*>("Boitestop")
                 ->findChild<QAbstractButton*>("OKQuitte")
                 ->click();
         }},
        {[&] { return boxesAnswered > 0 && w.Startbouton.visible && after(500); }, [] {}},
    };
    std::size_t next = 0;
    QTimer operatorTimer;
    QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
        if (waitBoxOpened < 0 && station.models().Boitestop->modal())
            waitBoxOpened = scheduler.now();
        if (QMessageBox* box = openBox()) {
            if (boxOpened < 0) boxOpened = scheduler.now();
            if (scheduler.now() - boxOpened >= kBoxOpenMs) {
                box->findChild<QAbstractButton*>("Ok")->click();
                boxOpened = -1;
                ++boxesAnswered;
            }
        }
        if (next < steps.size() && steps[next].ready()) {
            steps[next].act();
            ++next;
            done = scheduler.now();
        }
    });
    operatorTimer.start(5);
    ASSERT_TRUE(test::waitFor([&] { return next == steps.size(); }, 30000))
        << "stuck before step " << next << " in phase " << station.state.LampPhase;
    operatorTimer.stop();
    recorder.stop();
    EXPECT_EQ(boxesAnswered, 1);

    std::ostringstream all;
    all << std::ifstream(file, std::ios::binary).rdbuf();
    const std::string text = all.str();
    const auto scenario = replay::parse(text);
    ASSERT_TRUE(scenario.errors.empty()) << scenario.errors.front();
    for (const char* input :
         {"type Start.Text1 marigold", "click Start.OkStart", "click Start.Startbouton",
          "value Start.VScroll1[5] 60 Scroll", "click Start.Command7", "click Start.StartHalogen",
          "click Start.StopHalogen", "click Start.Stopbouton", "click Boitestop.OKQuitte",
          "LIST  PC --> Stamp      START", "LIST  Stamp --> PC      000    254    000    S",
          "TX 000 255 002"})
        EXPECT_NE(text.find(input), std::string::npos) << input;
    // The ready box: answered where its frame opened it, with what came while it was open.
    const auto answer = std::find_if(scenario.steps.begin(), scenario.steps.end(),
                                     [](auto& s) { return s.command == "answer"; });
    ASSERT_NE(answer, scenario.steps.end());
    const int64_t open = std::atoll(answer->argument.c_str() + 3);
    EXPECT_GE(open, kBoxOpenMs);
    EXPECT_EQ(std::next(answer)->command, "bytes");
    EXPECT_TRUE(std::any_of(std::next(answer, 2), scenario.steps.end(), [&](auto& s) {
        return s.command == "bytes" && s.time > answer->time && s.time < answer->time + open;
    })) << text;

    view.reset();
    sim.end();
    // The checks read FILE.base beside the recording.
    const std::string check = (folder.path() / "check.out").string();
    test::ChildProgram virtualReplay("orbek-replay", {"--check-recording", file.string()}, check);
    EXPECT_EQ(virtualReplay.wait(), 0) << std::ifstream(check).rdbuf() << text;
    test::ChildProgram liveReplay(
        "orbek-replay", {"--live", "--speed", "8", "--check-recording", file.string()}, check);
    EXPECT_EQ(liveReplay.wait(), 0) << std::ifstream(check).rdbuf();
}

} // namespace
} // namespace orbek
