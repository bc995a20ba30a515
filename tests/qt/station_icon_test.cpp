// The icon comes from the program's own resources, so the window carries it uninstalled too.
#include "qt/station_icon.hpp"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace orbek::qt {
namespace {

TEST(StationIcon, HoldsBothRenderingsFromTheResources) {
    const QIcon icon = stationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(48, 48), QSize(256, 256)}));
    // Drawn, not an empty picture: the corner is transparent, the middle is not.
    const QImage image = icon.pixmap(QSize(48, 48)).toImage();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(24, 24)), 255);
}

} // namespace
} // namespace orbek::qt
