// The Qt side of the core's seams: virtual time driven by the real clock, message boxes and
// modal windows on nested event loops, and the end of the program.
#pragma once

#include "core/scheduler.hpp"
#include "core/ui_host.hpp"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace orbek::qt {

// Advances the scheduler with the real clock, waking only when something is due (and once for
// everything due within a few milliseconds). One
// single-shot timer is re-armed to the next due time whenever that may have changed, also from
// inside a tick; a tick that holds a modal box therefore leaves it armed, and the box's nested
// event loop keeps the other timers firing. The advance itself may nest.
class SchedulerDriver : public QObject {
    Q_OBJECT
  public:
    explicit SchedulerDriver(Scheduler& scheduler, QObject* parent = nullptr);
    ~SchedulerDriver() override;
    // Virtual milliseconds per real millisecond (a scenario played faster than life).
    void setSpeed(double speed) { speed_ = speed > 0 ? speed : 1.0; }
    // Starts the real clock at the scheduler's present time.
    void start();
    // The present virtual time by the real clock.
    int64_t clock() const;
    // Called after every advance, so the views can render what changed.
    std::function<void()> afterAdvance;
    // How often the driver woke (for the idle measurement).
    uint64_t wakeups() const { return wakeups_; }
    // Items due this many real milliseconds after the next one share its wake-up.
    static constexpr int kShareMs = 4;

  private:
    void wake();
    void rearm();

    Scheduler& scheduler_;
    QElapsedTimer clock_;
    QTimer timer_;
    int64_t offset_ = 0;
    double speed_ = 1.0;
    int64_t armedFor_ = -1;
    uint64_t wakeups_ = 0;
    bool started_ = false;
};

class QtUiHost : public UiHost {
  public:
    explicit QtUiHost(std::function<QWidget*()> parentWindow);
    MsgAnswer message(const MessageBox& box) override;
    void runModal(WindowModel& window) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    void endProgram() override;
    void changed() override;

    // Renders the views; set by the program.
    std::function<void()> render;
    // Called before every modal loop (a box, a modal window, the file dialog).
    std::function<void()> nesting;
    // Shows and hides the view of a window model shown modal; set by the program.
    std::function<void(WindowModel&, bool shown)> showWindow;
    // The station's time: while a box or modal window waits for the user, handlers run from
    // its loop count from the real clock, not from the tick that opened it.
    Scheduler* scheduler = nullptr;

  private:
    std::function<QWidget*()> parentWindow_;
};

// Text of a message box as the toolkit shows it: CR LF becomes a line break.
QString boxText(const std::string& text);

// The toolkit's box for `box`, its buttons named "Ok", "Yes" and "No", wide enough for its title.
std::unique_ptr<QMessageBox> messageBox(const MessageBox& box, QWidget* parent);

} // namespace orbek::qt
