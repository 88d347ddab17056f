// tarnel-audio-converter: the desktop program.
#include <QApplication>

#include <ctime>

#include "ui/CvemoraApp.h"

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    tarnel::ui::CvemoraApp::InitProcess();
    tarnel::ui::CvemoraApp app;
    if (!app.InitInstance(QApplication::arguments(), static_cast<int64_t>(std::time(nullptr)))) {
        return 1;
    }
    return QApplication::exec();
}
