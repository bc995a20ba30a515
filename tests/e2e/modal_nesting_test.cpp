// The real host's nesting: a box opened by a tick or by a frame runs a nested event loop in
// which the scheduler driver keeps every other timer firing and the serial adapter keeps
// handing frames to the station, in order, each once.
#include "core/clock.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "station/assembled_station.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace orbek {
namespace {

using test::waitFor;

QMessageBox* openBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

TEST(ModalNesting, ABoxHeldByATickKeepsTheOtherTimersAndTheDriverSleepsBetweenDueTimes) {
    Scheduler scheduler;
    qt::QtUiHost ui({});
    ui.scheduler = &scheduler;
    qt::SchedulerDriver driver(scheduler);
    std::vector<int64_t> other;
    int boxTicks = 0;
    Timer busy(scheduler, "busy", 100, [&] {
        ++boxTicks;
        ui.message({"T", "held", MsgIcon::None, MsgButtons::Ok});
    });
    Timer fast(scheduler, "fast", 50, [&] { other.push_back(scheduler.now()); });
    // The box is answered 600 ms after it opens, from the scheduler itself.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QMessageBox* box = openBox(); box && scheduler.now() >= 700)
            box->findChild<QAbstractButton*>("Ok")->click();
    });
    closer.start(20);
    busy.start();
    fast.start();
    driver.start();
    ASSERT_TRUE(waitFor([&] { return boxTicks >= 2; }, 5000));
    busy.stop();
    // While the first tick held its box, the fast timer ran on and the busy one was not
    // entered again.
    EXPECT_GE(
        std::count_if(other.begin(), other.end(), [](int64_t t) { return t > 150 && t < 650; }), 8);
    EXPECT_GE(boxTicks, 2);
    ASSERT_TRUE(waitFor([&] { return openBox() == nullptr; }, 3000));
    fast.stop();
    closer.stop();

    // Idle but for one timer a second: the driver wakes about once a second, not every few
    // milliseconds.
    int slowTicks = 0;
    Timer slow(scheduler, "slow", 400, [&] { ++slowTicks; });
    slow.start();
    const uint64_t before = driver.wakeups();
    waitFor([] { return false; }, 1000);
    EXPECT_GE(slowTicks, 2);
    EXPECT_LE(driver.wakeups() - before, 4u);
}

TEST(ModalNesting, FramesKeepArrivingWhileAFrameHoldsABox) {
    test::TempFolder folder;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    std::filesystem::create_symlink(::ptsname(master), folder.path() / "com4");
    const auto send = [master](const std::string& text) {
        ASSERT_EQ(::write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    };

    Scheduler scheduler;
    qt::QtUiHost ui({});
    ui.scheduler = &scheduler;
    FixedClock clock;
    qt::QtSerialPort port{[&] { return folder.path(); }};
    AssembledStation station(scheduler, port, ui, clock, Paths{folder.path(), folder.path()});
    std::vector<std::string> duringBox;
    station.onEvent = [&](const std::string& line) {
        if (openBox()) duringBox.push_back(line);
    };
    ASSERT_TRUE(port.open(4)) << port.error();
    qt::SchedulerDriver driver(scheduler);
    driver.start();

    // While the overheat box is open, forty cycle frames arrive in bursts; once all are in the
    // list, the operator presses OK.
    int burst = 0;
    int idle = 0;
    QTimer controller;
    QObject::connect(&controller, &QTimer::timeout, [&] {
        QMessageBox* box = openBox();
        if (!box) return;
        if (burst < 4) {
            std::string text;
            for (int i = 0; i < 10; ++i) {
                char frame[40];
                std::snprintf(frame, sizeof frame, "000, 253, %03d, S\r\n", burst * 10 + i + 20);
                text += frame;
            }
            send(text);
            ++burst;
        } else if (duringBox.size() >= 40 || ++idle > 100) { // or give up after 3 s
            box->findChild<QAbstractButton*>("Ok")->click();
        }
    });
    controller.start(30);
    send("000, 254, 006, S\r\n");
    ASSERT_TRUE(waitFor([&] { return burst == 4 && !openBox(); }, 8000));
    controller.stop();

    ASSERT_EQ(duringBox.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, " Stamp --> PC      000    253    %03d    S", i + 20);
        EXPECT_EQ(duringBox[static_cast<std::size_t>(i)], line);
    }
    for (const auto& item : station.Start().List2.items)
        EXPECT_NE(item, "Receive buffer overload");
    EXPECT_TRUE(station.Start().Timer2.enabled());
    port.close();
    ::close(master);
}

} // namespace
} // namespace orbek
