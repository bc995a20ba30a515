#include "qt/qt_host.hpp"

#include "core/window.hpp"
#include "qt/control_view.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

namespace orbek::qt {

SchedulerDriver::SchedulerDriver(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SchedulerDriver::wake);
}

SchedulerDriver::~SchedulerDriver() {
    if (!started_) return;
    scheduler_.setOnChange({});
    scheduler_.setClock({});
}

void SchedulerDriver::start() {
    offset_ = scheduler_.now();
    clock_.start();
    started_ = true;
    scheduler_.setClock([this] { return clock(); });
    scheduler_.setOnChange([this] { rearm(); });
    rearm();
}

int64_t SchedulerDriver::clock() const {
    return offset_ +
           static_cast<int64_t>(static_cast<double>(clock_.nsecsElapsed()) * speed_ / 1e6);
}

void SchedulerDriver::rearm() {
    // Items due within a few milliseconds of the first share its wake-up, a little late for
    // the first: the scheduler still runs them in their order, at their own times.
    const int64_t due =
        scheduler_.nextDue(static_cast<int64_t>(static_cast<double>(kShareMs) * speed_));
    if (due < 0) {
        timer_.stop();
        armedFor_ = -1;
        return;
    }
    if (timer_.isActive() && armedFor_ == due) return;
    armedFor_ = due;
    const double wait = static_cast<double>(due - clock()) / speed_;
    timer_.start(wait <= 0 ? 0 : static_cast<int>(wait) + 1);
}

void SchedulerDriver::wake() {
    ++wakeups_;
    armedFor_ = -1;
    // May nest: a tick below can open a modal box whose loop wakes this driver again.
    scheduler_.advanceTo(clock());
    rearm();
    if (afterAdvance) afterAdvance();
}

QString boxText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    return s;
}

QtUiHost::QtUiHost(std::function<QWidget*()> parentWindow)
    : parentWindow_(std::move(parentWindow)) {}

std::unique_ptr<QMessageBox> messageBox(const MessageBox& box, QWidget* parent) {
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
    auto dialog = std::make_unique<QMessageBox>(
        icon, QString::fromStdString(box.title), boxText(box.text),
        box.buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        parent);
    dialog->setObjectName("MessageBox");
    dialog->setAccessibleName(QString::fromStdString(box.title));
    for (auto [button, name] :
         {std::pair{QMessageBox::Ok, "Ok"}, std::pair{QMessageBox::Yes, "Yes"},
          std::pair{QMessageBox::No, "No"}})
        if (QAbstractButton* b = dialog->button(button)) b->setObjectName(name);
    // The box sizes itself to its text; a strut across its grid keeps room for its title too.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addItem(new QSpacerItem(titleBarWidth(*dialog, dialog->windowTitle()), 0,
                                      QSizePolicy::Fixed, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return dialog;
}

MsgAnswer QtUiHost::message(const MessageBox& box) {
    if (nesting) nesting();
    if (render) render();
    const auto dialog = messageBox(box, parentWindow_ ? parentWindow_() : nullptr);
    std::optional<Scheduler::Waiting> waiting;
    if (scheduler) waiting.emplace(*scheduler);
    const int answer = dialog->exec();
    if (box.buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void QtUiHost::runModal(WindowModel& window) {
    if (nesting) nesting();
    window.showModal();
    if (showWindow) showWindow(window, true);
    // On screen at once, whatever handler opened it.
    if (render) render();
    QEventLoop loop;
    auto previous = window.onStateChanged;
    window.onStateChanged = [&loop, previous](WindowModel& w) {
        if (previous) previous(w);
        if (!w.modal()) loop.quit();
    };
    std::optional<Scheduler::Waiting> waiting;
    if (scheduler) waiting.emplace(*scheduler);
    if (window.modal()) loop.exec();
    waiting.reset();
    window.onStateChanged = previous;
    if (showWindow) showWindow(window, false);
}

std::optional<std::string> QtUiHost::saveFileDialog(const FileDialogRequest& request) {
    if (nesting) nesting();
    std::optional<Scheduler::Waiting> waiting;
    if (scheduler) waiting.emplace(*scheduler);
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
