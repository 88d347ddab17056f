// The desktop program's objects need a QApplication (offscreen under CTest) and the process set-up.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/CvemoraApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnel::ui::CvemoraApp::InitProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
