// The wear-counter view offscreen: opened from its menu entry, typing and Enter reaching the core
// (a burst shown in the open window runs live in scenario wear_burst, the component-test window in
// scenario component_tests).
#include "qt/maintenance_views.hpp"
#include "support/view_fixture.hpp"

#include <QAction>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace orbek {
namespace {

struct MaintenanceViewsTest : test::ViewFixture {
    QWidget* dialog(const char* name) { return view->findChild<QWidget*>(name); }
};

TEST_F(MaintenanceViewsTest, TheWearCounterWindowForwardsTheAccessCodeAndEnterActsOnce) {
    QAction* entry = view->findChild<QAction*>("mnuusures");
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    scheduler.advanceBy(300);
    view->render();
    QWidget* box = dialog("Usures");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_FALSE(in<QWidget>(box, "Label15[3]")->isVisibleTo(box));

    // Enter in the box acts as its button does, once: a wrong code, then the right one.
    auto* code = in<QLineEdit>(box, "Text1[0]");
    ASSERT_NE(code, nullptr);
    const std::size_t boxes = ui.boxes().size();
    type(code, "9");
    pressEnter(code);
    EXPECT_EQ(ui.boxes().size(), boxes + 1);
    type(code, "5821");
    pressEnter(code);
    ASSERT_EQ(ui.boxes().size(), boxes + 2);
    EXPECT_EQ(ui.boxes().back().box.text, "Code Correct ");
    EXPECT_EQ(code->text(), "");
    EXPECT_FALSE(in<QWidget>(box, "Activation[1]")->isEnabled());

    // The close box unloads the window.
    box->close();
    view->render();
    EXPECT_FALSE(station->models().Usures->loaded());
    EXPECT_FALSE(box->isVisible());
}

} // namespace
} // namespace orbek
