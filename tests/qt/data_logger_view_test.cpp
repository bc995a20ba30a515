#include "qt/data_logger_view.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "qt/start_view.hpp"
#include "support/fake_port.hpp"
#include "support/temp_folder.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

namespace orbek {
namespace {

struct DataLoggerViewTest : ::testing::Test {
    test::TempFolder folder;
    Scheduler scheduler;
    test::FakePort port{scheduler};
    ScriptedUiHost ui{scheduler};
    FixedClock clock{{2026, 12, 4, 9, 15, 0, 6}};
    std::unique_ptr<Station> station;
    std::unique_ptr<qt::StartView> view;
    QDialog* dialog = nullptr;

    DataLoggerViewTest() {
        Paths paths{folder.path() / "Station", folder.path() / "user"};
        std::filesystem::create_directories(paths.appFolder);
        station = std::make_unique<Station>(scheduler, port, ui, clock, paths);
        view = std::make_unique<qt::StartView>(*station);
        view->show();
        app::Form_Load(*station);
        scheduler.advanceBy(60);
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
    template <class T> T* named(const std::string& name) {
        return dialog->findChild<T*>(QString::fromStdString(name));
    }
    void click(const std::string& name) {
        auto* button = named<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
};

TEST_F(DataLoggerViewTest, TheStepsByClicksStartLoggingAndTheDialogCloses) {
    inDialog([&] {
        for (const Control& c : station->models().DataLogger->controls()) {
            QWidget* widget = named<QWidget>(c.name);
            ASSERT_NE(widget, nullptr) << c.name;
            EXPECT_FALSE(widget->accessibleName().trimmed().isEmpty()) << c.name;
        }
        EXPECT_EQ(dialog->windowTitle(), "  Data-Logger :");
        EXPECT_TRUE(dialog->isModal());
        EXPECT_FALSE(named<QWidget>("Picture1")->isVisible());
        EXPECT_EQ(named<QLabel>("Label9")->text(), "---");
        // The restore chose the first type and the comma.
        EXPECT_TRUE(named<QRadioButton>("Option1[0]")->isChecked());

        click("Option1[1]");
        EXPECT_TRUE(named<QRadioButton>("Option1[1]")->isChecked());
        EXPECT_FALSE(named<QRadioButton>("Option1[0]")->isChecked());
        click("Option2[1]");
        click("Check1[0]");
        click("Check1[7]");
        EXPECT_TRUE(named<QCheckBox>("Check1[7]")->isChecked());
        const std::string file = (station->appFile("Data") / "view.csv").string();
        ui.nextFileName = file;
        click("Command1");
        EXPECT_EQ(named<QLabel>("Label7")->text().toStdString(), file);
        click("Sel[3]");
        EXPECT_EQ(named<QLabel>("Label9")->text(), "10 ");
        click("Activation");
        EXPECT_EQ(named<QAbstractButton>("Activation")->text(), "Press to START");
    });
    EXPECT_FALSE(station->models().DataLogger->loaded());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(station->models().Start->Timer15.enabled());
    EXPECT_TRUE(view->actionOf("mnufichierdatalogger")->isChecked());
    EXPECT_FALSE(view->actionOf("mnuDataloggerOFF")->isChecked());
    EXPECT_EQ(station->state.SensorSelection[7], 1);
    EXPECT_EQ(station->state.LogMinutesReload, 9);
    auto* status = view->findChild<QLabel*>("Label44");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), "Data-Logger (Writing)    [10 minutes]");
}

TEST_F(DataLoggerViewTest, AnExistingFileShowsThePanelAndTheCloseBoxClosesTheDialog) {
    std::ofstream(station->appFile("Data") / "a.txt") << "x";
    std::ofstream(station->appFile("Data") / "b.txt") << "y";
    inDialog([&] {
        ui.nextFileName = (station->appFile("Data") / "b.txt").string();
        click("Command1");
        auto* list = named<QListWidget>("List1");
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->currentRow(), 1);
        EXPECT_TRUE(named<QWidget>("Picture1")->isVisible());
        EXPECT_EQ(named<QLabel>("Label42")->text(), " This file exists already");
        click("EAppend");
        EXPECT_FALSE(named<QWidget>("Picture1")->isVisible());
        dialog->reject(); // the close box
    });
    EXPECT_FALSE(station->models().DataLogger->loaded());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(station->models().Start->Timer15.enabled());
}

} // namespace
} // namespace orbek
