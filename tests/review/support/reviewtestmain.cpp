// The review tests run inside one QApplication (fonts, pictures, widgets).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Also when listing tests at build time, outside ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
