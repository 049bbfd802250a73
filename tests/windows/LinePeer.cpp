// wine-line-peer: the far end of a serial line for the Windows programs under
// wine. It opens a pseudo-terminal, links it where the wine prefix expects the
// test's COM port (--link), prints the path of the slave side as the first
// line of standard output and sends back every byte it receives, until it is
// asked to stop (SIGINT/SIGTERM) or --lifetime seconds have passed.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/InterruptGuard.h"
#include "platform/testing/PseudoTerminal.h"

namespace {

// Longest wait for input, so that a stop request is seen soon.
constexpr int kPollMs = 50;

int usage() {
    std::cerr << "usage: wine-line-peer --link PATH [--lifetime SECONDS]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string linkPath;
    long lifetimeSeconds = 600;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--link" && index + 1 < argc) {
            linkPath = argv[++index];
        } else if (argument == "--lifetime" && index + 1 < argc) {
            char* end = nullptr;
            lifetimeSeconds = std::strtol(argv[++index], &end, 10);
            if (end == nullptr || *end != '\0' || lifetimeSeconds <= 0)
                return usage();
        } else {
            return usage();
        }
    }
    if (linkPath.empty())
        return usage();

    platform::PseudoTerminal terminal;
    platform::Result<void> ready = terminal.open();
    if (ready) {
        ready = terminal.createLink(linkPath);
    }
    if (!ready) {
        std::cerr << "wine-line-peer: " << ready.error().text() << '\n';
        return 1;
    }
    platform::InterruptGuard stop;
    std::cout << terminal.slavePath() << std::endl;

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(lifetimeSeconds);
    std::uint8_t buffer[4096];
    while (!stop.interrupted() && std::chrono::steady_clock::now() < end) {
        const platform::Result<std::size_t> count = terminal.readSome(buffer, sizeof(buffer), kPollMs);
        if (!count) {
            std::cerr << "wine-line-peer: " << count.error().text() << '\n';
            return 1;
        }
        if (*count == 0) {
            continue;
        }
        if (const platform::Result<void> echoed = terminal.writeAll(buffer, *count); !echoed) {
            std::cerr << "wine-line-peer: " << echoed.error().text() << '\n';
            return 1;
        }
    }
    return 0;
}
