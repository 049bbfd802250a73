#include "platform/Terminal.h"

#include <unistd.h>

#include <csignal>

namespace platform {

bool isTerminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void useUtf8ConsoleOutput() {
    // Terminals take the program's bytes as they are.
}

void keepRunningWhenOutputCloses() {
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
