// wine-log-fifo-reader: the reading end of a communication log that is a FIFO,
// for the Windows programs under wine. It makes the FIFO COMMU.LOG in FOLDER
// (where wine opens it as the log file of the program in that folder) with a
// capacity of 4096 bytes, opens its read end and reads nothing until the file
// FOLDER/resume appears; from then on it reads steadily up to the end of the
// file (every writer closed it) and leaves what it read in FOLDER/fifo-read.log.
// It gives up after --lifetime seconds.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kPipeCapacity = 4096;
constexpr int kPollMs = 100;

int usage() {
    std::cerr << "usage: wine-log-fifo-reader FOLDER [--lifetime SECONDS]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        return usage();
    }
    const fs::path folder = argv[1];
    long lifetimeSeconds = 120;
    if (argc == 4) {
        char* end = nullptr;
        lifetimeSeconds = std::strtol(argv[3], &end, 10);
        if (std::string(argv[2]) != "--lifetime" || end == nullptr || *end != '\0' || lifetimeSeconds <= 0) {
            return usage();
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(lifetimeSeconds);
    const fs::path fifo = folder / "COMMU.LOG";
    if (::mkfifo(fifo.c_str(), 0600) != 0) {
        std::perror("wine-log-fifo-reader: mkfifo");
        return 1;
    }
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::fcntl(fd, F_SETPIPE_SZ, kPipeCapacity) != kPipeCapacity) {
        std::perror("wine-log-fifo-reader: open");
        return 1;
    }
    while (!fs::exists(folder / "resume")) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::cerr << "wine-log-fifo-reader: never told to read\n";
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string content;
    char buffer[4096];
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        ::poll(&entry, 1, kPollMs);
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
        }
        ended = got == 0;
    }
    ::close(fd);
    // Complete or not at all: the program waits for the name to appear.
    const fs::path partial = folder / "fifo-read.log.partial";
    {
        std::ofstream file(partial, std::ios::binary);
        file << content;
    }
    fs::rename(partial, folder / "fifo-read.log");
    if (!ended) {
        std::cerr << "wine-log-fifo-reader: the log was never closed\n";
        return 1;
    }
    return 0;
}
