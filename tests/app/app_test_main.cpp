#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// The window tests share one application object, made before and destroyed after every test.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
