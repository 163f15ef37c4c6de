#include <QApplication>
#include <gtest/gtest.h>

#ifdef QMK_STATIC_QT
// A static Qt registers only the plugins named here; the suite runs on the offscreen platform.
#include <QtPlugin>
Q_IMPORT_PLUGIN(QOffscreenIntegrationPlugin)
#endif

// The window tests share one application object, made before and destroyed after every test.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
