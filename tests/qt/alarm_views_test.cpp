
#include "support/view_fixture.hpp"
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace orbek {
namespace {

struct AlarmViews : test::ViewFixture {
    AlarmViews() { clock.set({2026, 12, 6, 10, 0, 0, 1}); }
    QWidget* window(const char* name) { return view->findChild<QWidget*>(name); }
};

TEST_F(AlarmViews, TheInformationWindowAppearsOverTheHolderCellAndGoesAway) {
    QWidget* cell = view->findChild<QWidget*>("Label5[10]");
    ASSERT_NE(cell, nullptr);
    station->state.HolderTempRaw = "33";
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), cell->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cell, &move);
    scheduler.advanceBy(200);
    view->render();
    QWidget* info = window("FenInfoHolder");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isVisible());
    auto* value = info->findChild<QLabel*>("Label8");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->text(), "33");
    EXPECT_FALSE(value->accessibleName().isEmpty());

    station->models().Start->fire("Form_MouseMove");
    view->render();
    EXPECT_FALSE(info->isVisible());
}

} // namespace
} // namespace orbek
