#include "ui/CDIAGApp.h"
#include "ui/ProgramIcon.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("FLASHKIT");
    QApplication::setWindowIcon(ui::ProgramIcon::icon());

    ui::CDIAGApp flashkit;
    int exitCode = 1;
    if (flashkit.start(QApplication::arguments())) {
        exitCode = QApplication::exec();
    }
    flashkit.shutdown();
    return exitCode;
}
