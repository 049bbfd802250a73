#include "platform/Terminal.h"

#include <windows.h>

namespace platform {

bool isTerminal(StandardStream stream) {
    HANDLE handle = ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::GetConsoleMode(handle, &mode) == 0) {
        return false;
    }
    // Consoles older than Windows 10 know no VT sequences: plain lines there.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int terminalColumns(StandardStream stream) {
    HANDLE handle = ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleScreenBufferInfo(handle, &info)) {
        return 0;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void useUtf8ConsoleOutput() {
    ::SetConsoleOutputCP(CP_UTF8);
}

void keepRunningWhenOutputCloses() {
    // Windows has no signal for a closed pipe: the write fails and the
    // program reports it at its end.
}

}  // namespace platform
