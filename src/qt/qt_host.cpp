#include "qt/qt_host.hpp"

#include "core/window.hpp"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace orbek::qt {

SchedulerDriver::SchedulerDriver(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &SchedulerDriver::tick);
}

void SchedulerDriver::start() {
    offset_ = scheduler_.now();
    clock_.start();
    timer_.start();
}

void SchedulerDriver::tick() {
    scheduler_.advanceTo(offset_ + clock_.elapsed());
    if (afterAdvance) afterAdvance();
}

QString boxText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    return s;
}

QtUiHost::QtUiHost(std::function<QWidget*()> parentWindow)
    : parentWindow_(std::move(parentWindow)) {}

MsgAnswer QtUiHost::message(const MessageBox& box) {
    if (render) render();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (box.icon) {
    case MsgIcon::None:
        break;
    case MsgIcon::Information:
        icon = QMessageBox::Information;
        break;
    case MsgIcon::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case MsgIcon::Critical:
        icon = QMessageBox::Critical;
        break;
    case MsgIcon::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox dialog(icon, QString::fromStdString(box.title), boxText(box.text),
                       box.buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                        : QMessageBox::Ok,
                       parentWindow_ ? parentWindow_() : nullptr);
    dialog.setObjectName("MessageBox");
    dialog.setAccessibleName(QString::fromStdString(box.title));
    const int answer = dialog.exec();
    if (box.buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void QtUiHost::runModal(WindowModel& window) {
    window.showModal();
    if (showWindow) showWindow(window, true);
    QEventLoop loop;
    auto previous = window.onStateChanged;
    window.onStateChanged = [&loop, previous](WindowModel& w) {
        if (previous) previous(w);
        if (!w.modal()) loop.quit();
    };
    if (window.modal()) loop.exec();
    window.onStateChanged = previous;
    if (showWindow) showWindow(window, false);
}

std::optional<std::string> QtUiHost::saveFileDialog(const FileDialogRequest& request) {
    // No "replace?" question: the data logger asks whether to overwrite or append itself.
    const QString name = QFileDialog::getSaveFileName(
        parentWindow_ ? parentWindow_() : nullptr, QString::fromStdString(request.title),
        QString::fromStdString(request.initialFolder + "/" + request.defaultName),
        QString::fromStdString(request.filter), nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

void QtUiHost::endProgram() {
    QTimer::singleShot(0, qApp, &QApplication::quit);
}

void QtUiHost::changed() {
    if (render) render();
}

} // namespace orbek::qt
