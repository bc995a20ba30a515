// The parameter window's view: opened from the menu, every control by name, typing and clicks
// reach the model, the close box unloads the window and saves the coefficients (every box and
// check box through its widget: RecordSession.EveryEditableControlOfEveryWindow...).
#include "qt/parameters_view.hpp"
#include "support/view_fixture.hpp"

#include "core/files.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

namespace orbek {
namespace {

struct ParametresViewTest : test::ViewFixture {
    ParametresViewTest() { clock.set({2026, 12, 4, 9, 5, 7}); }
    QDialog* dialog() { return view->findChild<QDialog*>("Parametres"); }
    template <class T> T* named(const std::string& name) { return in<T>(dialog(), name); }
};

TEST_F(ParametresViewTest, OpensFromTheMenuEditsTheModelAndSavesOnClose) {
    ParametresWindow& p = *station->models().Parametres;
    ASSERT_NE(dialog(), nullptr);
    EXPECT_FALSE(dialog()->isVisible()); // loaded at start-up, not shown
    view->actionOf("mnuparametres")->trigger();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->windowTitle(), "  ORBEK parameters");
    EXPECT_EQ(named<QWidget>("Label1[0]")->toolTip(), "8 < 10 < 20 [s]");
    EXPECT_FALSE(named<QWidget>("Text1[15]")->isVisible());
    EXPECT_FALSE(named<QWidget>("Text15[0]")->isVisible());
    EXPECT_FALSE(named<QWidget>("Validerwrite")->isEnabled());

    named<QAbstractButton>("Setup")->click();
    EXPECT_EQ(named<QLineEdit>("Text1[12]")->text(), "115");
    EXPECT_TRUE(named<QWidget>("Validerwrite")->isEnabled());
    // Enter in a box clicks no button: no counter is reset behind the user's back.
    named<QLineEdit>("Text1[4]")->selectAll();
    type(named<QLineEdit>("Text1[4]"), "9");
    pressEnter(named<QLineEdit>("Text1[3]"));
    EXPECT_EQ(p.Text1[4].caption, "9");

    // An alarm temperature above 70 is refused once the entry check has run.
    const std::size_t boxes = ui.boxes().size(); // the port file start-up created
    auto* alarmLimit = named<QLineEdit>("Text2[7]");
    alarmLimit->selectAll();
    type(alarmLimit, "71");
    scheduler.advanceBy(300);
    view->render();
    ASSERT_EQ(ui.boxes().size(), boxes + 1);
    EXPECT_EQ(ui.boxes().back().box.text, "Entry from 0 - 70 °C");
    EXPECT_EQ(alarmLimit->text(), "65"); // the value in use comes back
    alarmLimit->selectAll();
    type(alarmLimit, "55");

    named<QAbstractButton>("Fharen")->click();
    EXPECT_EQ(p.Text2[8].caption, "1");

    dialog()->close();
    EXPECT_FALSE(p.loaded());
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(files::readLines(station->appFile("DataCoeff.ini"))->at(7), "55");
}

} // namespace
} // namespace orbek
