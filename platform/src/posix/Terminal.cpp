#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

namespace platform {

bool isTerminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

int terminalColumns(StandardStream stream) {
    winsize size{};
    const int fd = stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO;
    return ::ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void useUtf8ConsoleOutput() {
    // Terminals take the program's bytes as they are.
}

void keepRunningWhenOutputCloses() {
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
