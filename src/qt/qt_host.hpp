// The Qt side of the core's seams: virtual time driven by the real clock, message boxes and
// modal windows on nested event loops, and the end of the program.
#pragma once

#include "core/scheduler.hpp"
#include "core/ui_host.hpp"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace orbek::qt {

// Advances the scheduler to the real elapsed time, also inside nested modal loops.
class SchedulerDriver : public QObject {
    Q_OBJECT
  public:
    explicit SchedulerDriver(Scheduler& scheduler, QObject* parent = nullptr);
    void start();
    // Called after every advance, so the views can render what changed.
    std::function<void()> afterAdvance;

  private:
    void tick();
    Scheduler& scheduler_;
    QElapsedTimer clock_;
    QTimer timer_;
    int64_t offset_ = 0;
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
    // Shows and hides the view of a window model shown modal; set by the program.
    std::function<void(WindowModel&, bool shown)> showWindow;

  private:
    std::function<QWidget*()> parentWindow_;
};

// Text of a message box as the toolkit shows it: CR LF becomes a line break.
QString boxText(const std::string& text);

} // namespace orbek::qt
