// The desktop program's objects need a QApplication (offscreen under CTest) and the process set-up.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/CvemoraApp.h"

int main(int argc, char** argv) {
    // Neither listing the tests nor running them needs a display or a sound device.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    tarnel::ui::CvemoraApp::InitProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
