// A UiHost for tests and scenario replay: message boxes are answered from a script (after an
// optional wait on virtual time, during which timers and frames keep running), modal windows
// run the scheduler until something closes them, and everything shown is recorded.
#pragma once

#include "core/scheduler.hpp"
#include "core/ui_host.hpp"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orbek {

class ScriptedUiHost : public UiHost {
  public:
    explicit ScriptedUiHost(Scheduler& scheduler) : scheduler_(scheduler) {}

    struct Reply {
        MsgAnswer answer = MsgAnswer::Ok;
        int64_t afterMs = 0; // virtual time that passes while the box is open
    };
    struct Shown {
        int64_t time;
        MessageBox box;
        MsgAnswer answer;
    };

    // Replies to the next boxes, in order. With none left, OK boxes get OK and Yes/No boxes No.
    void reply(MsgAnswer answer, int64_t afterMs = 0) { replies_.push_back({answer, afterMs}); }
    std::function<void(const Shown&)> onMessage; // called before the box returns

    // Runs inside a modal window's loop, once, before the loop waits for it to close.
    std::function<void(WindowModel&)> onModal;
    // A modal window that nothing closes within this much virtual time is closed by the host.
    int64_t modalLimitMs = 24 * 3600 * 1000;

    std::optional<std::string> nextFileName;
    int64_t nextFileWaitMs = 0; // virtual time that passes while that dialog is open
    // Called with each file dialog and the answer it gets.
    std::function<void(const FileDialogRequest&, const std::optional<std::string>&)> onFileDialog;

    MsgAnswer message(const MessageBox& box) override;
    void runModal(WindowModel& window) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    void endProgram() override { ended_ = true; }

    bool ended() const { return ended_; }
    const std::vector<Shown>& boxes() const { return boxes_; }
    std::vector<std::string> modalsRun;
    std::vector<FileDialogRequest> fileDialogs;

  private:
    // Runs the scheduler for `ms` while a box or dialog is open; the program's end does not wait
    // for it.
    void wait(int64_t ms);

    Scheduler& scheduler_;
    std::deque<Reply> replies_;
    std::vector<Shown> boxes_;
    bool ended_ = false;
};

} // namespace orbek
