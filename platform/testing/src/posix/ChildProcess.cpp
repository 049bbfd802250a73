#include "platform/testing/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        stop(2000);
    }
    if (outputFd_ >= 0) {
        ::close(outputFd_);
    }
}

Result<void> ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        const int code = errno;
        return SystemError(code, std::string("pipe: ") + std::strerror(code));
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    std::vector<std::string> argumentTexts;
    argumentTexts.reserve(arguments.size() + 1);
    argumentTexts.push_back(program);
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentTexts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    pid_t child = -1;
    const int result = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (result != 0) {
        ::close(pipeFds[0]);
        return SystemError(result, "spawn " + program + ": " + std::strerror(result));
    }
    pid_ = child;
    outputFd_ = pipeFds[0];
    exitStatus_ = -1;
    return {};
}

bool ChildProcess::readLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            pending_.erase(0, end + 1);
            return true;
        }
        if (outputFd_ < 0) {
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd waitFor{outputFd_, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char buffer[512];
        const ssize_t count = ::read(outputFd_, buffer, sizeof buffer);
        if (count <= 0) {
            ::close(outputFd_);
            outputFd_ = -1;
            continue;
        }
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
}

bool ChildProcess::reap(bool block) {
    if (pid_ <= 0) {
        return true;
    }
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (done != pid_) {
        return false;
    }
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
    return true;
}

bool ChildProcess::running() {
    return !reap(false);
}

int ChildProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return exitStatus_;
}

int ChildProcess::stop(int timeoutMs) {
    if (pid_ <= 0) {
        return exitStatus_;
    }
    ::kill(pid_, SIGTERM);
    if (wait(timeoutMs) >= 0 || pid_ <= 0) {
        return exitStatus_;
    }
    ::kill(pid_, SIGKILL);
    reap(true);
    return exitStatus_;
}

}  // namespace platform
