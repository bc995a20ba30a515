// The real host's nesting: a box opened by a tick runs a nested event loop in which the
// scheduler driver keeps every other timer firing (a box opened by a frame, with frames flowing
// into it: scenarios cooling_countdown and overheat_stop, played live).
#include "core/clock.hpp"
#include "qt/qt_host.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

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

    // Idle but for one slow timer: the driver wakes about once for each of its ticks, not every
    // few milliseconds.
    int slowTicks = 0;
    Timer slow(scheduler, "slow", 400, [&] { ++slowTicks; });
    slow.start();
    const uint64_t before = driver.wakeups();
    ASSERT_TRUE(waitFor([&] { return slowTicks >= 2; }, 10000));
    EXPECT_LE(driver.wakeups() - before, 4u);
}

} // namespace
} // namespace orbek
