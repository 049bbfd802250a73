// flashkit.exe: the Win32 desktop program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "core/DesktopCommandLine.h"
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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::string> arguments = programArguments();
    // --help and --version answer on standard output without a window.
    if (const auto answered = core::DesktopCommandLine::answer(arguments, std::cout)) {
        return *answered;
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
