// Widget tests need a QApplication (the offscreen platform under CTest).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Neither listing the tests nor running them needs a display or a sound device.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
