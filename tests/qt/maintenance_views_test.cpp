// The wear-counter view offscreen: opened from its menu entry, every control drawn by name,
// typing and Enter reaching the core, replies shown while open (the component-test window runs
// live in scenario component_tests).
#include "qt/maintenance_views.hpp"
#include "support/view_fixture.hpp"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace orbek {
namespace {

struct MaintenanceViewsTest : test::ViewFixture {
    QWidget* dialog(const char* name) { return view->findChild<QWidget*>(name); }
};

TEST_F(MaintenanceViewsTest, TheWearCounterWindowShowsABurstAndForwardsTheAccessCode) {
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

    // A burst while the window is open.
    station->Start().Timer21.start();
    scheduler.advanceBy(1000);
    for (int b : {30, 5, 0, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        port.deliverFrame(220, b);
    scheduler.advanceBy(200);
    view->render();
    EXPECT_EQ(in<QLabel>(box, "Label15[0]")->text(), "30");
    EXPECT_EQ(in<QLabel>(box, "Label6[1]")->text(), "00000101");
    EXPECT_EQ(in<QLabel>(box, "Label5[0]")->text(), "20");

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
    EXPECT_EQ(in<QLabel>(box, "Label15[0]")->text(), "0");
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
