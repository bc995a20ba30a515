// The main window's view offscreen: every control drawn by name, every editable one reaching the
// model and a session recording, the menu tree and its levels, typing and clicks reaching the
// core, the wait box and the close box.
#include "qt/code_views.hpp"
#include "replay/recorder.hpp"
#include "support/qt_wait.hpp"
#include "support/view_fixture.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace orbek {
namespace {

struct StartViewTest : test::ViewFixture {
    template <class T> T* named(const std::string& name) { return in<T>(view.get(), name); }
    // What a menu entry shows: its text without the key's mark.
    static std::string shown(const QAction* a) {
        return QString(a->text()).remove('&').toStdString();
    }
    // The entries of a top-level menu as their texts, "-" for a separator.
    std::vector<std::string> entries(QMenu* menu) {
        std::vector<std::string> texts;
        for (QAction* a : menu->actions())
            texts.push_back(a->isSeparator() ? "-" : shown(a));
        return texts;
    }
    // The level menus whose actions are visible.
    std::vector<std::string> visibleMenus() {
        std::vector<std::string> shown;
        for (const char* m :
             {"mnPCom", "mnufonctions", "mnuCode", "mnuPEMUser", "mnuPESERVICE", "mnuEnregistrer"})
            if (view->actionOf(m)->isVisible()) shown.push_back(m);
        return shown;
    }
};

TEST_F(StartViewTest, EveryControlOfEveryWindowHasItsWidgetByNameAndAnAccessibleName) {
    for (const Control& c : station->models().Start->controls()) {
        if (c.kind == ControlKind::Menu || c.kind == ControlKind::Separator) {
            EXPECT_NE(named<QAction>(c.name), nullptr) << c.name;
        }
    }
    expectEveryControlDrawn(*station->models().Start, view.get());
    for (const char* name : {"Parametres", "Usures", "TestsMV", "DataLogger", "Boitestop",
                             "CodeDialogue", "Codeserreurs", "FenInfoHolder", "AlarmHolder"}) {
        WindowModel* window = station->findWindow(name);
        ASSERT_NE(window, nullptr) << name;
        auto* dialog = named<QDialog>(name);
        ASSERT_NE(dialog, nullptr) << name;
        expectEveryControlDrawn(*window, dialog);
    }
}

TEST_F(StartViewTest, EveryEditableControlOfEveryWindowReachesTheModelAndTheRecording) {
    replay::SessionRecorder recorder(scheduler, port, ui, clock);
    recorder.attach(*station);
    const auto file = folder.path() / "walk.scenario";
    ASSERT_TRUE(recorder.start(file, nullptr));
    // Every box, check box, option and slider of every window, each offered to the user
    // whatever the run state would allow, changed through its widget.
    const std::set<ControlKind> editable{ControlKind::TextBox, ControlKind::CheckBox,
                                         ControlKind::Option, ControlKind::Slider};
    std::vector<std::string> walked;
    for (WindowModel* w : station->windows()) {
        for (const Control& c : w->touch().controls())
            if (editable.count(c.kind)) {
                w->ctl(c.name).visible = true;
                w->ctl(c.name).enabled = true;
            }
        w->show();
        view->render();
        for (const Control& c : w->controls()) {
            if (!editable.count(c.kind)) continue;
            const std::string target = w->name() + "." + c.name;
            QWidget* widget = w->name() == "Start" ? view->widgetOf(c.name)
                                                   : in<QWidget>(named<QDialog>(w->name()), c.name);
            ASSERT_TRUE(widget && widget->isVisible() && widget->isEnabled()) << target;
            if (auto* box = qobject_cast<QLineEdit*>(widget)) {
                QTest::keyClicks(box, "7");
                EXPECT_TRUE(std::string(c.caption).ends_with("7")) << target;
            } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
                slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                EXPECT_EQ(c.value, slider->value()) << target;
            } else {
                auto* button = qobject_cast<QAbstractButton*>(widget);
                button->click();
                EXPECT_EQ(c.checked, button->isChecked()) << target;
            }
            walked.push_back(target);
        }
    }
    recorder.stop();
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    for (const std::string& target : walked)
        EXPECT_TRUE(text.str().find(" " + target + " ") != std::string::npos ||
                    text.str().find(" " + target + "\r") != std::string::npos)
            << target;
    EXPECT_GT(walked.size(), 30u);
}

TEST_F(StartViewTest, TheMenuBarHasTheTreeAndShowsTheLevel) {
    std::vector<std::string> titles;
    std::vector<QMenu*> menus;
    for (QAction* a : view->menuBar()->actions()) {
        titles.push_back(shown(a));
        menus.push_back(a->menu());
    }
    ASSERT_EQ(titles,
              (std::vector<std::string>{"File", "Port COM", "Functions", "Data Logger", "Codes"}));
    EXPECT_EQ(entries(menus[0])[3], "-"); // a separator is a line, not its caption
    // Each port entry names its device after a tab, marked when missing; dropping the menu
    // down looks again.
    EXPECT_EQ(entries(menus[1]).size(), 14u);
    EXPECT_EQ(entries(menus[1])[1], "COM  2\tCOM2");
    EXPECT_EQ(entries(menus[1])[2], "COM  3\tCOM3  (missing)");
    port.openable.insert(3);
    emit menus[1]->aboutToShow();
    EXPECT_EQ(entries(menus[1])[2], "COM  3\tCOM3");
    EXPECT_EQ(entries(menus[2]).size(), 9u);
    EXPECT_EQ(entries(menus[2]).back(), "Telemetry...");
    EXPECT_FALSE(view->actionOf("mnuVRamCpuStamp")->isEnabled());
    EXPECT_FALSE(view->actionOf("mnuVRamDs1307")->isEnabled());
    EXPECT_TRUE(view->actionOf("mncom2")->isChecked());

    // Level 0 after start-up: the service menus are hidden.
    EXPECT_EQ(visibleMenus(), std::vector<std::string>{"mnuPESERVICE"});
    EXPECT_FALSE(view->actionOf("mnuDatalogger")->isEnabled());
}

TEST_F(StartViewTest, APassDrawsWhatChangedInTheModelsColoursIncluded) {
    StartWindow& w = *station->models().Start;
    auto* cell = named<QLabel>("Label5[1]");
    auto* phase = named<QLabel>("Label22");
    auto* halogen = named<QAbstractButton>("StartHalogen");
    phase->setText("stale"); // a widget whose control did not change is not touched
    w.Label5[1].caption = "12.5";
    w.Label5[1].backColour = colour::rgb(10, 20, 30);
    w.StartHalogen.backColour = colour::green;
    view->render();
    EXPECT_EQ(cell->text(), "12.5");
    EXPECT_EQ(cell->palette().color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_TRUE(cell->autoFillBackground());
    EXPECT_EQ(halogen->palette().color(QPalette::Button), QColor(0, 255, 0));
    EXPECT_EQ(phase->text(), "stale");

    // The system face leaves a cell transparent; the user's input redraws everything.
    w.Label5[1].backColour = colour::buttonFace;
    named<QAbstractButton>("Oscillo")->click();
    EXPECT_FALSE(cell->autoFillBackground());
    EXPECT_EQ(phase->text(), QString::fromStdString(w.Label22.caption));

    // A change nobody announces is drawn at the next screen frame, not within the change.
    w.Label5[1].caption = "1";
    w.Label5[1].caption = "2";
    EXPECT_EQ(cell->text(), "12.5");
    EXPECT_TRUE(test::waitFor([&] { return cell->text() == "2"; }));
}

TEST_F(StartViewTest, TheEventListFollowsItsEndAndTakesAListEmptiedBetweenTwoPasses) {
    named<QAbstractButton>("Log")->click();
    auto* list = named<QAbstractItemView>("List2");
    const QAbstractItemModel* rows = list->model();
    for (int i = 0; i < 300; ++i)
        station->addEvent("line " + std::to_string(i));
    view->render();
    ASSERT_EQ(rows->rowCount(), static_cast<int>(station->models().Start->List2.items.size()));
    const QModelIndex last = rows->index(rows->rowCount() - 1, 0);
    EXPECT_EQ(last.data().toString(), "line 299");
    const QRect shown = list->visualRect(last);
    EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < list->viewport()->height()) << shown.top();
    EXPECT_EQ(list->indexAt(list->visualRect(last).center()), last);

    station->models().Start->List2.items.clear();
    station->addEvent("after");
    view->render();
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 0).data().toString(), "after");
    named<QAbstractButton>("EffScreenGraph")->click(); // Clear with the list shown
    EXPECT_EQ(rows->rowCount(), 0);
}

TEST_F(StartViewTest, TheCloseBoxEndsTheStationLikeQuit) {
    ASSERT_TRUE(port.isOpen());
    view->close();
    EXPECT_TRUE(station->ended());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(station->models().Parametres->loaded());
    EXPECT_TRUE(ui.boxes().size() <= 1u); // no question, only the first-start message
}

TEST_F(StartViewTest, AReadingCellLooksAsALabelWithTheSameText) {
    // Drawn from pictures kept for the figures it showed: each new figure, one shown before,
    // and the same after a new colour, as a plain label draws it.
    auto* cell = named<QLabel>("Label5[1]");
    Control& model = station->models().Start->Label5[1];
    const auto asLabel = [&] {
        QLabel label;
        label.setTextFormat(Qt::PlainText);
        label.setFont(cell->font());
        label.setFrameStyle(cell->frameStyle());
        label.setContentsMargins(cell->contentsMargins());
        label.setAlignment(cell->alignment());
        label.setPalette(cell->palette());
        label.setAutoFillBackground(cell->autoFillBackground());
        label.setFixedSize(cell->size());
        label.setText(cell->text());
        return label.grab().toImage();
    };
    for (const char* figure : {"128.0", "-3.5", "128.0"}) {
        model.caption = figure;
        view->render();
        EXPECT_EQ(cell->grab().toImage(), asLabel()) << figure;
    }
    model.backColour = colour::rgb(0, 170, 255);
    view->render();
    EXPECT_EQ(cell->grab().toImage(), asLabel());
}

} // namespace
} // namespace orbek
