#include "core/ComponentVersions.h"
#include "platform/Paths.h"
#include "ui/CDIAGApp.h"
#include "ui/ProgramIcon.h"

#include <QApplication>

#include <iostream>
#include <string_view>

namespace {

// flashkit --version answers on standard output without opening a window
// (and without needing a display): the About box's lines and the libraries
// the program would load.
int printVersion() {
    bool problems = false;
    for (const std::string& line :
         core::ComponentVersions::versionLines(platform::executableDirectory(), problems)) {
        std::cout << line << '\n';
    }
    std::cout << std::flush;
    return problems ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        return printVersion();
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
