#include "platform/ProgramArguments.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "WideText.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        // Without the wide command line, the narrow one is all there is.
        return argc > 1 && argv != nullptr ? std::vector<std::string>(argv + 1, argv + argc)
                                           : std::vector<std::string>();
    }
    std::vector<std::string> arguments;
    for (int index = 1; index < count; ++index) {
        arguments.push_back(narrow(wide[index]));
    }
    ::LocalFree(wide);
    return arguments;
}

}  // namespace platform
