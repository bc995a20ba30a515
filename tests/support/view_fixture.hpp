// A whole station with its main view, offscreen, on virtual time, after the program's start.
#pragma once

#include "app/startup.hpp"
#include "qt/start_view.hpp"
#include "support/station_fixture.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <memory>

namespace orbek::test {

struct ViewFixture : StationFixture {
    std::unique_ptr<qt::StartView> view;

    ViewFixture() {
        view = std::make_unique<qt::StartView>(*station);
        view->show();
        app::Form_Load(*station);
        scheduler.advanceBy(100);
        view->render();
    }
    ~ViewFixture() override { view.reset(); }

    template <class T> static T* in(QObject* parent, const std::string& name) {
        return parent->findChild<T*>(QString::fromStdString(name));
    }
    // Keys typed into a widget, one character at a time.
    static void type(QWidget* target, const QString& text) {
        target->setFocus();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
    // The Enter key pressed in a widget, passed on to its window as the toolkit does.
    static void pressEnter(QWidget* target) {
        target->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(target, &press);
    }
    // Every control of the model has its widget under `root`, with something to speak.
    static void expectEveryControlDrawn(const WindowModel& model, QWidget* root) {
        for (const Control& c : model.controls()) {
            if (c.kind == ControlKind::Menu || c.kind == ControlKind::Separator) continue;
            QWidget* widget = in<QWidget>(root, c.name);
            ASSERT_NE(widget, nullptr) << model.name() << "." << c.name;
            EXPECT_FALSE(widget->accessibleName().trimmed().isEmpty()) << c.name;
        }
    }
};

} // namespace orbek::test
