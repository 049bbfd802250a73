#include "platform/Terminal.h"

#include <windows.h>

namespace platform {

bool isTerminal(StandardStream stream) {
    HANDLE handle = ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

void keepRunningWhenOutputCloses() {
    // Windows has no signal for a closed pipe: the write fails and the
    // program reports it at its end.
}

}  // namespace platform
