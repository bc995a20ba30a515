// The station without a mouse and without good eyes: every menu by its keys, Tab through the
// main window, the keyboard from the password on and its focus in sight, state that colour shows
// also in words, readable text and controls that stand out in a light and a dark palette, and a
// main window that keeps its columns in place.
#include "qt/code_views.hpp"
#include "qt/colours.hpp"
#include "qt/picture_view.hpp"
#include "support/qt_wait.hpp"
#include "support/view_fixture.hpp"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QtMath>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orbek {
namespace {

struct AccessTest : test::ViewFixture {
    AccessTest() {
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    template <class T> T* named(const std::string& name) { return in<T>(view.get(), name); }
    void serviceLevel() {
        type(named<QWidget>("Text1"), "juniper");
        named<QAbstractButton>("OkStart")->click();
    }
    static QChar keyOf(const QString& text) {
        const qsizetype at = text.indexOf(u'&');
        return at >= 0 && at + 1 < text.size() ? text[at + 1].toUpper() : QChar();
    }
    static int qtKey(QChar key) {
        return key.isDigit() ? Qt::Key_0 + key.digitValue() : key.unicode();
    }
};

TEST_F(AccessTest, EveryMenuAndEntryIsReachedByItsKeys) {
    serviceLevel();
    // Every entry on offer, as in a run in phase 4; the walk chooses, nothing runs.
    for (const Control& c : station->models().Start->controls())
        if (c.kind == ControlKind::Menu) {
            station->models().Start->ctl(c.name).visible = true;
            station->models().Start->ctl(c.name).enabled = true;
        }
    view->render();
    for (QAction* a : view->findChildren<QAction*>())
        if (a->objectName() != "MenuBarKey")
            QObject::disconnect(a, &QAction::triggered, view.get(), nullptr);

    std::set<QChar> barKeys;
    for (QAction* top : view->menuBar()->actions()) {
        QMenu* menu = top->menu();
        const QChar key = keyOf(top->text());
        ASSERT_FALSE(key.isNull()) << top->text().toStdString();
        EXPECT_TRUE(barKeys.insert(key).second) << "key used twice on the bar: " << key.toLatin1();
        std::map<QChar, std::vector<QAction*>> byKey;
        for (QAction* entry : menu->actions()) {
            if (entry->isSeparator()) {
                EXPECT_TRUE(entry->text().isEmpty()); // drawn as a line, not as "-"
                continue;
            }
            ASSERT_FALSE(keyOf(entry->text()).isNull()) << entry->text().toStdString();
            byKey[keyOf(entry->text())].push_back(entry);
        }
        for (auto& [entryKey, entries] : byKey) {
            // Alt and the menu's key open it; the entry's key chooses it, or, where fourteen
            // ports share thirteen keys, moves to each entry of that key in turn.
            QTest::keyClick(view.get(), qtKey(key), Qt::AltModifier);
            ASSERT_EQ(QApplication::activePopupWidget(), menu) << top->text().toStdString();
            QAction* chosen = nullptr;
            auto c = QObject::connect(menu, &QMenu::triggered, [&](QAction* a) { chosen = a; });
            QAction* expected = entries.front();
            if (entries.size() > 1) {
                EXPECT_EQ(menu->objectName(), "mnPCom");
                std::set<QAction*> visited;
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    QTest::keyClick(menu, qtKey(entryKey));
                    visited.insert(menu->activeAction());
                }
                EXPECT_EQ(visited, std::set<QAction*>(entries.begin(), entries.end()));
                expected = menu->activeAction();
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                QTest::keyClick(menu, qtKey(entryKey));
            }
            QObject::disconnect(c);
            EXPECT_EQ(chosen, expected) << expected->text().toStdString();
            if (QApplication::activePopupWidget()) QTest::keyClick(menu, Qt::Key_Escape);
        }
    }
    EXPECT_EQ(view->menuBar()->actions().size(), 5);

    // F10 opens the first menu; Ctrl+Q asks to quit.
    QTest::keyClick(view.get(), Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), view->menuBar()->actions()[0]->menu());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QObject::connect(view->actionOf("mnquitter"), &QAction::triggered,
                     [&] { station->models().Start->fire("mnquitter"); });
    QTest::keyClick(view.get(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_FALSE(ui.boxes().empty());
    EXPECT_EQ(ui.boxes().back().box.text, "Are You Sure To Quit ?");
}

TEST_F(AccessTest, TabFollowsTheReadingOrderAndOpensTheHolderInformation) {
    named<QWidget>("Text1")->setFocus(); // the password box waits for its word
    std::vector<std::string> order;
    for (int i = 0; i < 12; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        order.push_back(focus->objectName().toStdString());
        if (order.back() == "Label5[10]") {
            view->render();
            EXPECT_TRUE(station->models().FenInfoHolder->shown());
        }
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_FALSE(station->models().FenInfoHolder->loaded()); // gone with the focus
    // In the parameter window a row's Reset follows its box.
    auto* parametres = named<QDialog>("Parametres");
    EXPECT_EQ(in<QWidget>(parametres, "Text1[4]")->nextInFocusChain(),
              in<QWidget>(parametres, "ResetAdr4"));
    // Hidden and disabled controls are passed over.
    EXPECT_EQ(order, (std::vector<std::string>{"Text1", "OkStart", "Label5[10]", "Startbouton",
                                               "Log", "Oscillo", "EffScreenGraph", "Check1",
                                               "Text1", "OkStart", "Label5[10]", "Startbouton"}));

    // Asked again from the File menu, the box has Cancel after OK, and Escape cancels it.
    type(named<QWidget>("Text1"), "marigold");
    named<QAbstractButton>("OkStart")->click();
    view->actionOf("mnuPESERVICE")->trigger();
    EXPECT_EQ(named<QWidget>("OkStart")->nextInFocusChain(), named<QWidget>("AnnulerStart"));
    type(named<QWidget>("Text1"), "junip");
    QTest::keyClick(named<QWidget>("Text1"), Qt::Key_Escape);
    EXPECT_FALSE(named<QWidget>("Picture8")->isVisible());
    EXPECT_FALSE(station->ended());
}

// How many pixels of `image` (a widget's picture) inside `outer` (all of it when empty) and outside
// `inner` stand out at 3 : 1 from the same pixels of `against`, or from `back` without it.
int standingOut(const QImage& image, const QImage& against, const QColor& back = {},
                const QRect& outer = {}, const QRect& inner = {}) {
    const qreal scale = image.devicePixelRatio();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint at(qFloor(x / scale), qFloor(y / scale));
            const QColor other = against.isNull() ? back : against.pixelColor(x, y);
            count += (outer.isEmpty() || outer.contains(at)) && !inner.contains(at) &&
                     qt::contrastRatio(image.pixelColor(x, y), other) >= qt::kVisibleContrast;
        }
    return qRound(count / (scale * scale));
}

// After the password the focus is on START (on the light power while a run holds START back), and
// the holder information stays shut. START, STOP, the halogen buttons, Log, Plotter, Clear,
// TB-Reset and "Activate light output" answer Alt and a letter of their caption that no menu takes;
// Enter presses a focused push button, except one that resets or erases; a hidden menu's key does
// nothing.
TEST_F(AccessTest, TheKeyboardFromThePasswordOn) {
    StartWindow& w = *station->models().Start;
    auto* field = named<QLineEdit>("Text1");
    const auto logIn = [&](const char* word) {
        type(field, word);
        QTest::keyClick(field, Qt::Key_Return);
        view->render();
        EXPECT_FALSE(station->models().FenInfoHolder->loaded()); // no Tab reached the holder cell
    };
    logIn("marigold");
    EXPECT_EQ(QApplication::focusWidget(), named<QWidget>("Startbouton"));
    // At operator level "Port COM" is hidden: Alt+P leaves no menu bar half active for Tab.
    QTest::keyClick(view.get(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(view->menuBar()->activeAction(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    w.Startbouton.visible = false;
    w.VScroll1[5].enabled = true;
    view->actionOf("mnuPESERVICE")->trigger();
    scheduler.advanceBy(100);
    view->render();
    logIn("juniper");
    EXPECT_EQ(QApplication::focusWidget(), named<QWidget>("VScroll1[5]"));

    std::set<QChar> keys;
    for (QAction* top : view->menuBar()->actions())
        keys.insert(keyOf(top->text()));
    for (const char* name : {"Startbouton", "Stopbouton", "StartHalogen", "StopHalogen", "Log",
                             "Oscillo", "EffScreenGraph", "Check1", "Command7"}) {
        w.ctl(name).visible = w.ctl(name).enabled = true;
        view->render();
        auto* button = named<QAbstractButton>(name);
        QObject::disconnect(button, &QAbstractButton::clicked, view.get(), nullptr);
        const QChar key = keyOf(button->text());
        EXPECT_TRUE(keys.insert(key).second) << name << " takes a key already taken";
        EXPECT_EQ(QString(button->text()).remove('&').toStdString(), w.ctl(name).caption);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::keyClick(view.get(), qtKey(key), Qt::AltModifier);
        EXPECT_TRUE(test::waitFor([&] { return clicked.count() == 1; }, 1000)) << name;
    }
    const auto enterPresses = [](QAbstractButton* button) {
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        return clicked.count() == 1;
    };
    EXPECT_TRUE(enterPresses(named<QAbstractButton>("Log")));
    view->actionOf("mnuparametres")->trigger();
    auto* parametres = named<QDialog>("Parametres");
    parametres->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(parametres));
    EXPECT_TRUE(enterPresses(in<QAbstractButton>(parametres, "Degres")));
    EXPECT_FALSE(enterPresses(in<QAbstractButton>(parametres, "ResetAdr4")));

    // The focus shows on the event list, the power slider and the lit halogen button: a ring of
    // pixels that change by 3 : 1 or more as the focus arrives.
    view->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    w.StartHalogen.backColour = colour::green;
    w.StartHalogen.visible = w.VScroll1[5].enabled = true;
    w.fire("Log"); // the event list in the plot's place (the button no longer reaches the model)
    view->render();
    view->setAttribute(Qt::WA_KeyboardFocusChange); // as after a Tab
    for (const char* name : {"List2", "VScroll1[5]", "StartHalogen"}) {
        QWidget* widget = named<QWidget>(name);
        named<QWidget>("Oscillo")->setFocus();
        const QImage before = widget->grab().toImage();
        widget->setFocus();
        EXPECT_GE(standingOut(widget->grab().toImage(), before), 100) << name;
    }
}

TEST_F(AccessTest, StateShownByColourIsAlsoSaidInWords) {
    StartWindow& w = *station->models().Start;
    const auto said = [&](QWidget* widget) {
        view->render();
        return widget->accessibleDescription().toStdString();
    };
    QWidget* halogen = named<QWidget>("StartHalogen");
    w.StartHalogen.backColour = colour::green;
    EXPECT_EQ(said(halogen), "Halogen lamps on");
    w.StartHalogen.backColour = colour::lightGrey;
    EXPECT_EQ(said(halogen), "Halogen lamps off");
    // The battery cell says "low" as long as it blinks, whichever colour it shows right now.
    w.Timer8.start();
    scheduler.advanceBy(1000);
    EXPECT_EQ(said(named<QWidget>("Label5[3]")), "Supply low");
    w.Timer8.stop();
    scheduler.advanceBy(1000);
    EXPECT_EQ(said(named<QWidget>("Label5[3]")), "");
    w.Label2[0].backColour = colour::green;
    EXPECT_EQ(said(named<QWidget>("Label2[0]")), "Data logger running");

    // The other windows, each shown with one coloured state.
    struct Case {
        const char* window;
        const char* control;
        uint32_t back;
        const char* words;
    };
    const Case cases[] = {
        {"Parametres", "Fharen", ParametresWindow::kUnitMarked, "Unit in use"},
        {"Parametres", "Degres", colour::buttonFace, ""},
        {"TestsMV", "TestSpeedM", colour::rgb(192, 255, 255), "Pressed"},
        {"DataLogger", "Sel[3]", colour::lightGreen, "Chosen"},
        {"DataLogger", "Activation", colour::lightGreen, "Logging"},
        {"Usures", "Label4", colour::green, "Reading the counters"},
        {"Usures", "Label4", colour::rgb(128, 128, 128), "Not reading: the lamp stopped"}};
    for (const Case& c : cases) {
        WindowModel& model = *station->findWindow(c.window);
        model.show();
        model.ctl(c.control).backColour = c.back;
        auto* widget = in<QWidget>(named<QDialog>(c.window), c.control);
        EXPECT_EQ(said(widget), c.words) << c.window << "." << c.control;
    }

    // A reading cell speaks its value after its role.
    w.Label5[6].caption = "96.0";
    view->render();
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(named<QWidget>("Label5[6]"));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Value), "96.0");
    EXPECT_EQ(cell->text(QAccessible::Name), "Light intensity value: 96.0");
}

// Every control of every window, light and dark. Its text (labels, buttons, check boxes) reads at
// 4.5 : 1 or better on each colour pair the design gives a control, enabled and disabled. What is
// not text stands out from the window at 3 : 1: the box of every check box and the ring of every
// radio button, the power slider's ticks and handle, the edge of every button whatever its face
// (the lit halogen button's green too) and of every text box.
TEST_F(AccessTest, EveryControlReadsAndStandsOutInALightAndADarkPalette) {
    const QPalette light = QApplication::palette();
    serviceLevel();
    station->models().Start->StartHalogen.backColour = colour::green;
    station->models().Start->StopHalogen.enabled = true;
    station->models().Parametres->Check1.visible = true;
    station->models().Start->VScroll1[5].enabled = true;
    const uint32_t backs[] = {colour::buttonFace,
                              colour::green,
                              colour::lightGreen,
                              colour::red,
                              colour::yellow,
                              colour::lightGrey,
                              colour::black,
                              colour::white,
                              ParametresWindow::kUnitMarked,
                              colour::rgb(192, 255, 255),
                              colour::rgb(255, 159, 0),
                              colour::rgb(255, 142, 0),
                              colour::rgb(128, 128, 255),
                              colour::rgb(128, 128, 128),
                              colour::rgb(97, 255, 98),
                              colour::rgb(0, 170, 255),
                              colour::rgb(255, 100, 100),
                              colour::rgb(255, 0, 255),
                              colour::rgb(0, 0, 255)};
    const uint32_t fores[] = {colour::windowText, colour::black, colour::white, colour::yellow,
                              colour::green};
    const char* windows[] = {"Start",         "Parametres", "Usures",       "TestsMV",
                             "DataLogger",    "Boitestop",  "CodeDialogue", "Codeserreurs",
                             "FenInfoHolder", "AlarmHolder"};
    for (const QPalette& palette : {light, qt::darkPalette()}) {
        QApplication::setPalette(palette);
        qt::StartView shown(*station);
        shown.show();
        std::vector<QWidget*> roots{&shown};
        for (const char* name : windows)
            if (std::string(name) != "Start") {
                station->findWindow(name)->show();
                shown.render();
                roots.push_back(shown.findChild<QDialog*>(name));
            }
        const char* look = palette == light ? "light" : "dark";
        for (QWidget* window : roots)
            for (auto* widget : window->findChildren<QWidget*>()) {
                auto* button = qobject_cast<QAbstractButton*>(widget);
                if ((!button && !qobject_cast<QLineEdit*>(widget)) || !widget->isVisible() ||
                    !widget->isEnabled() || widget->hasFocus() || (button && button->isChecked()))
                    continue;
                QStyleOptionButton option;
                option.initFrom(widget);
                // A box's edge around most of the part; inside a button or text box is its text.
                QRect part = widget->rect();
                QRect text = part.adjusted(3, 3, -3, -3);
                if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
                    part = widget->style()->subElementRect(qobject_cast<QCheckBox*>(widget)
                                                               ? QStyle::SE_CheckBoxIndicator
                                                               : QStyle::SE_RadioButtonIndicator,
                                                           &option, widget);
                    text = {};
                }
                QWidget* behind = widget->parentWidget();
                while (!behind->autoFillBackground() && behind->parentWidget())
                    behind = behind->parentWidget();
                EXPECT_GE(standingOut(widget->grab().toImage(), {},
                                      behind->palette().color(QPalette::Window), part, text),
                          part.width() + part.height())
                    << widget->objectName().toStdString() << " " << look;
            }
        auto* slider = in<QSlider>(&shown, "VScroll1[5]");
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.upsideDown = !slider->invertedAppearance(); // a vertical slider's low end is down
        option.tickPosition = slider->tickPosition();
        const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, slider);
        const QColor back = slider->palette().color(QPalette::Window);
        const QImage image = slider->grab().toImage();
        EXPECT_GE(standingOut(image, {}, back, handle, handle.adjusted(2, 2, -2, -2)),
                  handle.width() + handle.height())
            << "slider handle " << look;
        // Ticks both sides, every 10 from 18 to 130: twelve a side, each a few pixels long.
        EXPECT_GE(standingOut(image, {}, back, {},
                              QRect(handle.left(), 0, handle.width(), slider->height())),
                  2 * 12 * 3)
            << "slider ticks " << look;

        for (uint32_t back : backs)
            for (uint32_t fore : fores) {
                for (const char* name : windows)
                    for (const Control& c : station->findWindow(name)->controls()) {
                        station->findWindow(name)->ctl(c.name).backColour = back;
                        station->findWindow(name)->ctl(c.name).foreColour = fore;
                    }
                shown.render();
                for (const char* name : windows) {
                    QWidget* root = std::string(name) == "Start" ? static_cast<QWidget*>(&shown)
                                                                 : shown.findChild<QDialog*>(name);
                    for (const Control& c : station->findWindow(name)->controls()) {
                        QWidget* widget = in<QWidget>(root, c.name);
                        const bool button = qobject_cast<QPushButton*>(widget) != nullptr;
                        if (!button && !qobject_cast<QLabel*>(widget) &&
                            !qobject_cast<QAbstractButton*>(widget))
                            continue;
                        // A label that does not fill its back shows what is behind it.
                        QWidget* behind = widget;
                        while (!button && !behind->autoFillBackground() && behind->parentWidget())
                            behind = behind->parentWidget();
                        const QPalette& p = widget->palette();
                        for (auto group : {QPalette::Active, QPalette::Disabled}) {
                            const QColor text = p.color(group, button ? QPalette::ButtonText
                                                                      : QPalette::WindowText);
                            const QColor fill =
                                button ? p.color(group, QPalette::Button)
                                       : behind->palette().color(group, QPalette::Window);
                            EXPECT_GE(qt::contrastRatio(text, fill), qt::kReadableContrast)
                                << name << "." << c.name << " back " << std::hex << back << " text "
                                << fore << (group ? " disabled" : "")
                                << (palette == light ? " light" : " dark");
                        }
                    }
                }
            }
    }
    QApplication::setPalette(light);
}

TEST_F(AccessTest, TheMainWindowKeepsItsColumnsWhateverTheCaptionsSay) {
    view->resize(1366 - 16, 720 - 44); // a small screen above a panel, with a title bar
    StartWindow& w = *station->models().Start;
    const char* watched[] = {"Label18",     "Label5[0]", "Label1",   "Label13[0]",
                             "Startbouton", "Label7[0]", "Picture6", "Label5[10]",
                             "Log",         "Picture5",  "Label56",  "Command7"};
    const auto places = [&] {
        view->render();
        QApplication::processEvents();
        std::vector<QRect> at;
        for (const char* name : watched) {
            QWidget* widget = named<QWidget>(name);
            at.push_back(QRect(widget->mapTo(view.get(), QPoint(0, 0)), widget->size()));
        }
        return at;
    };
    const auto before = places();
    w.Label44.caption = "Data-Logger (Writing)  Every 5 hours, with a longer note than the row";
    w.Label5[6].caption = "-32768.25";
    w.Label7[0].caption = "Error! Select COM Port ";
    w.Label11.visible = !w.Label11.visible; // the link lost and found
    w.Label12.visible = !w.Label12.visible;
    for (int i : {2, 3})
        w.Label5[i].visible = false; // the supply rows hidden in phase 4
    w.Label9.visible = false;
    w.Startbouton.visible = false;
    w.Label56.caption = " Set Power = 1300 Watts";
    EXPECT_EQ(places(), before);
}

TEST_F(AccessTest, PlotWindowsAndLabelsKeepTheirPlaceAndShape) {
    // The plot takes the room it is given, the saved picture its designed size.
    auto* plot = named<qt::PictureView>("Picture5");
    const int designed = StartWindow::kPlotWidth;
    view->resize(1900, 1300);
    QApplication::processEvents();
    EXPECT_GT(plot->width(), designed * 3 / 2);
    view->resize(view->minimumSizeHint());
    QApplication::processEvents();
    EXPECT_LT(plot->width(), designed);
    EXPECT_GE(plot->width(), designed * 3 / 4 - 1);
    EXPECT_EQ(station->models().Start->Picture5Canvas.width(), designed);

    // The holder information goes when the pointer leaves the cell.
    QWidget* cell = named<QWidget>("Label5[10]");
    station->models().Start->fire("Label5[10]:MouseMove");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(cell, &leave);
    EXPECT_FALSE(station->models().FenInfoHolder->loaded());

    // The parameter window opens over the main window, the second time as the first.
    view->move(40, 30);
    auto* parametres = named<QDialog>("Parametres");
    for (int i = 0; i < 2; ++i) {
        view->actionOf("mnuparametres")->trigger();
        view->render();
        EXPECT_TRUE(view->frameGeometry().contains(parametres->frameGeometry().center()))
            << parametres->x() << "," << parametres->y();
        EXPECT_GT(parametres->x(), 40);
        // Its clock labels stay one line high however the window grows.
        parametres->resize(parametres->width(), parametres->height() + 300);
        QApplication::processEvents();
        for (const char* name : {"Label52", "Label53"}) {
            auto* label = in<QLabel>(parametres, name);
            EXPECT_LE(label->height(), label->sizeHint().height()) << name;
        }
        parametres->close();
        view->render();
    }
}

} // namespace
} // namespace orbek
