// flashkit.exe: the Win32 desktop program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "core/ComponentVersions.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"
#include "winui/CDIAGApp.h"

namespace {

// The program's arguments as UTF-8, its own name first.
std::vector<std::string> programArguments() {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(platform::narrow(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

// flashkit --version answers on standard output without opening a window:
// the About box's lines and the libraries the program would load.
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

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::string> arguments = programArguments();
    if (arguments.size() == 2 && arguments[1] == "--version") {
        return printVersion();
    }
    // The controls of common controls 6 (the manifest asks for them).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    winui::CDIAGApp flashkit;
    int exitCode = 1;
    if (flashkit.start(arguments)) {
        exitCode = flashkit.run();
    }
    flashkit.shutdown();
    return exitCode;
}
