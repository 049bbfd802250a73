#include "core/DesktopCommandLine.h"
#include "ui/CDIAGApp.h"
#include "ui/ProgramIcon.h"

#include <QApplication>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // --help and --version answer on standard output without a window, and
    // without needing a display.
    if (const auto answered =
            core::DesktopCommandLine::answer(std::vector<std::string>(argv, argv + argc), std::cout)) {
        return *answered;
    }
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
