// The data logger dialog's keyboard (its choices, an existing file and the close box: scenarios
// data_logger_setup and data_logger_existing_file) and the file dialog without its own question.
#include "qt/data_logger_view.hpp"
#include "qt/qt_host.hpp"
#include "support/temp_folder.hpp"
#include "support/view_fixture.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace orbek {
namespace {

struct DataLoggerViewTest : test::ViewFixture {
    QDialog* dialog = nullptr;

    DataLoggerViewTest() {
        clock.set({2026, 12, 4, 9, 15, 0, 6});
        station->models().Start->Text1.caption = "marigold";
        station->models().Start->fire("OkStart");
        view->render();
    }
    // Opens the dialog from the menu and runs `steps` on its view once it is on screen.
    void inDialog(const std::function<void()>& steps) {
        ui.onModal = [&](WindowModel&) {
            scheduler.advanceBy(60);
            view->render();
            dialog = view->findChild<QDialog*>("DataLogger");
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(dialog->isVisible());
            steps();
        };
        ASSERT_TRUE(view->actionOf("mnufichierdatalogger")->isEnabled());
        view->actionOf("mnufichierdatalogger")->trigger();
        ui.onModal = nullptr;
        view->render();
    }
};

// Each choice is one Tab stop (Step 1's file type and separator, Step 3's interval) and the arrows
// move within it: an option an arrow reaches is chosen, an interval waits for Space.
TEST_F(DataLoggerViewTest, EachChoiceIsOneTabStopWithTheArrowsWithin) {
    DataLoggerWindow& d = *station->models().DataLogger;
    inDialog([&] {
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        const auto focus = [] { return QApplication::focusWidget()->objectName().toStdString(); };
        const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
        dialog->findChild<QWidget*>("Command1")->setFocus();
        key(Qt::Key_Backtab);
        key(Qt::Key_Backtab);
        const std::string option = focus();
        EXPECT_EQ(option.rfind("Option1[", 0), 0u) << option;
        key(Qt::Key_Down);
        EXPECT_NE(focus(), option);
        EXPECT_TRUE(d.ctl(focus()).checked);
        key(Qt::Key_Tab);
        EXPECT_EQ(focus().rfind("Option2[", 0), 0u);
        std::vector<std::string> stops;
        for (key(Qt::Key_Tab); stops.size() < 30 && focus() != "Activation"; key(Qt::Key_Tab))
            stops.push_back(focus());
        // The file button, the file list, the sixteen sensors, one interval.
        ASSERT_EQ(stops.size(), 19u);
        EXPECT_EQ(stops.front(), "Command1");
        key(Qt::Key_Backtab);
        EXPECT_EQ(focus(), stops.back());
        key(Qt::Key_Right);
        EXPECT_NE(focus(), stops.back());
        EXPECT_EQ(d.ctl(focus()).backColour, colour::buttonFace);
        key(Qt::Key_Space);
        EXPECT_EQ(d.ctl(focus()).backColour, colour::lightGreen);
        dialog->reject();
    });
}

template <class T> T* shownWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<T*>(w); window && window->isVisible()) return window;
    return nullptr;
}

TEST(LogFileDialog, AnExistingFileIsChosenWithoutAReplaceQuestion) {
    // The data logger asks Overwrite or Append itself; the dialog must not ask first.
    test::TempFolder folder;
    const auto existing = folder.path() / "old.csv";
    std::ofstream(existing) << "kept\r\n";
    qt::QtUiHost host([] { return nullptr; });
    bool asked = false;
    bool chosen = false;
    // Looks, inside the dialog's loop, for the dialog and any question until they are answered.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (auto* question = shownWindow<QMessageBox>()) {
            asked = true;
            question->button(QMessageBox::No)->click();
        } else if (auto* files = shownWindow<QFileDialog>(); files && asked) {
            files->reject();
        } else if (files && !chosen) {
            chosen = true;
            // The name typed into its box, as a person does (selectFile leaves a box that has
            // the focus as it is), then Save, outside this tick so the looking goes on.
            files->findChild<QLineEdit*>("fileNameEdit")->setText("old.csv");
            QTimer::singleShot(0, files, [files] { static_cast<QDialog*>(files)->accept(); });
        }
    });
    look.start(5);
    const auto name =
        host.saveFileDialog({"Create file ...", "CSV (*.csv)", folder.path().string(), ""});
    EXPECT_FALSE(asked);
    EXPECT_EQ(name, existing.string());
}

} // namespace
} // namespace orbek
