#include "qt/start_view.hpp"

#include "app/port_selection.hpp"
#include "app/station.hpp"
#include "qt/control_view.hpp"

#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QVBoxLayout>

namespace orbek::qt {

StartView::StartView(Station& station, QWidget* parent) : QMainWindow(parent), station_(station) {
    StartWindow& w = station_.Start();
    setObjectName("Start");
    setAccessibleName("ORBEK station");

    QMenu* portMenu = menuBar()->addMenu(QString::fromStdString(w.mnPCom.caption));
    portMenu->setObjectName("mnPCom");
    for (int n = 1; n <= StartWindow::kPortCount; ++n) {
        QAction* action = portMenu->addAction(QString::fromStdString(w.mncom[n].caption));
        action->setObjectName(QString::fromStdString(w.mncom[n].name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, n] {
            app::mncom_Click(station_, n);
            render();
        });
        menus_[w.mncom[n].name] = action;
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    for (Control* c : {&w.Label7[0], &w.Label11, &w.Label12}) {
        auto* label = new QLabel(central);
        label->setAutoFillBackground(true);
        nameWidget(label, *c, c->name == "Label7[0]" ? "Link state" : QString());
        layout->addWidget(label);
        widgets_[c->name] = label;
    }
    eventList_ = new QListView(central);
    eventList_->setUniformItemSizes(true);
    events_ = new ListItemsModel(w.List2, eventList_);
    eventList_->setModel(events_);
    nameWidget(eventList_, w.List2, "Event list");
    layout->addWidget(eventList_, 1);
    setCentralWidget(central);
    resize(900, 600);
    render();
}

void StartView::render() {
    StartWindow& w = station_.Start();
    setWindowTitle(QString::fromStdString(w.caption));
    for (auto& [name, widget] : widgets_)
        renderControl(w.ctl(name), widget);
    for (auto& [name, action] : menus_)
        renderMenu(w.ctl(name), action);
    if (events_->sync()) eventList_->scrollToBottom();
}

void StartView::closeEvent(QCloseEvent* event) {
    // The close box ends the station; no hidden window keeps it alive.
    station_.endProgram();
    event->accept();
}

} // namespace orbek::qt
