#include "core/scripted_ui_host.hpp"

#include "core/window.hpp"

namespace orbek {

MsgAnswer ScriptedUiHost::message(const MessageBox& box) {
    Reply reply{box.buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No, 0};
    if (!replies_.empty()) {
        reply = replies_.front();
        replies_.pop_front();
    }
    boxes_.push_back({scheduler_.now(), box, reply.answer});
    if (onMessage) onMessage(boxes_.back());
    wait(reply.afterMs);
    return reply.answer;
}

void ScriptedUiHost::wait(int64_t ms) {
    if (ms <= 0) return;
    const int64_t until = scheduler_.now() + ms;
    while (!ended_) {
        const int64_t due = scheduler_.nextDue();
        if (due < 0 || due > until) break;
        scheduler_.advanceTo(due);
    }
    if (!ended_) scheduler_.advanceTo(until);
}

void ScriptedUiHost::runModal(WindowModel& window) {
    window.showModal();
    modalsRun.push_back(window.name());
    if (onModal) onModal(window);
    const int64_t limit = scheduler_.now() + modalLimitMs;
    while (window.modal() && !ended_) {
        const int64_t due = scheduler_.nextDue();
        if (due < 0 || due > limit) break;
        scheduler_.advanceTo(due);
    }
    if (window.modal()) window.hide();
}

std::optional<std::string> ScriptedUiHost::saveFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    auto name = nextFileName;
    const int64_t waitMs = nextFileWaitMs;
    nextFileName.reset();
    nextFileWaitMs = 0;
    if (onFileDialog) onFileDialog(request, name);
    wait(waitMs);
    return name;
}

} // namespace orbek
