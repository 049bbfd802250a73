#include "platform/ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

extern char** environ;

namespace platform {

namespace {

// The signals a child must handle as a program started from a shell would:
// this program may have changed them (a pipe's end is ignored here).
constexpr int kDefaultSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void closeDescriptor(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

std::size_t readSome(int fd, std::span<char> buffer) {
    if (fd < 0 || buffer.empty()) {
        return 0;
    }
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

// "NAME=value" entries of this environment with the launch's entries in place.
std::vector<std::string> childEnvironment(const ChildProgram::Launch& launch) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : launch.environment) {
            replaced = replaced || text.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : launch.environment) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

// Owns the spawn attribute and file-action objects for one start.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

struct ChildProgram::Process {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    int error = -1;
    std::mutex inputLock;
    std::mutex waitLock;
    bool reaped = false;
    int status = -1;

    ~Process() {
        closeDescriptor(input);
        closeDescriptor(output);
        closeDescriptor(error);
    }
};

ChildProgram::ChildProgram() = default;

ChildProgram::~ChildProgram() {
    if (process_) {
        closeInput();
        wait();
    }
}

bool ChildProgram::started() const {
    return process_ != nullptr;
}

Result<void> ChildProgram::start(const Launch& launch) {
    // [0] read end, [1] write end; closed on exec, so that no other child
    // keeps this one's pipes open.
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int error[2] = {-1, -1};
    auto closeAll = [&] {
        for (int* pair : {input, output, error}) {
            closeDescriptor(pair[0]);
            closeDescriptor(pair[1]);
        }
    };
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(error, O_CLOEXEC) != 0) {
        const SystemError failure = SystemError::last();
        closeAll();
        return failure;
    }

    SpawnSetup setup;
    ::posix_spawn_file_actions_adddup2(&setup.actions, input[0], STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&setup.actions, output[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&setup.actions, error[1], STDERR_FILENO);
    sigset_t defaults;
    ::sigemptyset(&defaults);
    for (const int signalNumber : kDefaultSignals) {
        ::sigaddset(&defaults, signalNumber);
    }
    sigset_t noneBlocked;
    ::sigemptyset(&noneBlocked);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    ::posix_spawnattr_setsigmask(&setup.attributes, &noneBlocked);
    ::posix_spawnattr_setpgroup(&setup.attributes, 0);
    ::posix_spawnattr_setflags(&setup.attributes,
                               POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> argumentTexts{launch.program};
    argumentTexts.insert(argumentTexts.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentTexts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environmentTexts = childEnvironment(launch);
    std::vector<char*> envp;
    for (std::string& text : environmentTexts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, launch.program.c_str(), &setup.actions, &setup.attributes,
                                     argv.data(), envp.data());
    if (result != 0) {
        closeAll();
        return SystemError::fromCode(result);
    }
    auto process = std::make_unique<Process>();
    process->pid = pid;
    process->input = std::exchange(input[1], -1);
    process->output = std::exchange(output[0], -1);
    process->error = std::exchange(error[0], -1);
    closeAll();
    process_ = std::move(process);
    return {};
}

std::size_t ChildProgram::readOutput(std::span<char> buffer) {
    return process_ ? readSome(process_->output, buffer) : 0;
}

std::size_t ChildProgram::readError(std::span<char> buffer) {
    return process_ ? readSome(process_->error, buffer) : 0;
}

void ChildProgram::closeInput() {
    if (process_) {
        std::lock_guard lock(process_->inputLock);
        closeDescriptor(process_->input);
    }
}

int ChildProgram::wait() {
    if (!process_) {
        return -1;
    }
    std::lock_guard lock(process_->waitLock);
    while (!process_->reaped) {
        int status = 0;
        const pid_t ended = ::waitpid(process_->pid, &status, 0);
        if (ended == process_->pid) {
            process_->reaped = true;
            process_->status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (ended < 0 && errno != EINTR) {
            process_->reaped = true;
        }
    }
    return process_->status;
}

}  // namespace platform
