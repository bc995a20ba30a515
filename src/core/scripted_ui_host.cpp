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
    if (reply.afterMs > 0) scheduler_.advanceBy(reply.afterMs);
    return reply.answer;
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
    nextFileName.reset();
    if (onFileDialog) onFileDialog(request, name);
    return name;
}

} // namespace orbek
