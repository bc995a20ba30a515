// Widget and serial-adapter tests need a QApplication. They run on the offscreen platform, on a
// 1366 x 768 screen (the smallest the station is made for) at the scale QT_SCALE_FACTOR gives.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QByteArray scale = qgetenv("QT_SCALE_FACTOR") == "2" ? "200" : "100";
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" QT_TESTCASE_SOURCEDIR "/qt/screen_" + scale + ".json");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
