#include "ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace clitest {

using Clock = std::chrono::steady_clock;

ProgramRun::~ProgramRun() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    closePipes();
}

void ProgramRun::closePipes() {
    if (outFd_ >= 0) {
        ::close(outFd_);
        outFd_ = -1;
    }
    if (errFd_ >= 0) {
        ::close(errFd_);
        errFd_ = -1;
    }
}

bool ProgramRun::start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return false;
    }

    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : environment) {
        variables[name] = value;
    }
    std::vector<std::string> environmentTexts;
    for (const auto& [name, value] : variables) {
        environmentTexts.push_back(name + "=" + value);
    }
    std::vector<char*> environmentPointers;
    for (auto& text : environmentTexts) {
        environmentPointers.push_back(text.data());
    }
    environmentPointers.push_back(nullptr);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argumentPointers;
    for (auto& text : argumentTexts) {
        argumentPointers.push_back(text.data());
    }
    argumentPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argumentPointers.data(),
                                     environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (failed != 0) {
        closePipes();
        return false;
    }
    pid_ = pid;
    return true;
}

bool ProgramRun::pump(std::chrono::milliseconds limit) {
    if (outFd_ < 0 && errFd_ < 0) {
        return false;
    }
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(limit.count())) <= 0) {
        return true;
    }
    char buffer[4096];
    int* descriptors[2] = {&outFd_, &errFd_};
    std::string* texts[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (*descriptors[i] >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t count = ::read(*descriptors[i], buffer, sizeof buffer);
            if (count > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(count));
            } else {
                ::close(*descriptors[i]);
                *descriptors[i] = -1;
            }
        }
    }
    return outFd_ >= 0 || errFd_ >= 0;
}

bool ProgramRun::waitForText(const std::string& text, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (out_.find(text) == std::string::npos && err_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || !pump(std::min(left, std::chrono::milliseconds(50)))) {
            return out_.find(text) != std::string::npos || err_.find(text) != std::string::npos;
        }
    }
    return true;
}

bool ProgramRun::readLine(std::string& line, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (true) {
        const auto newline = out_.find('\n', lineStart_);
        if (newline != std::string::npos) {
            line = out_.substr(lineStart_, newline - lineStart_);
            lineStart_ = newline + 1;
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || !pump(std::min(left, std::chrono::milliseconds(50)))) {
            return false;
        }
    }
}

void ProgramRun::interrupt() {
    if (pid_ > 0) {
        ::kill(pid_, SIGINT);
    }
}

void ProgramRun::terminate() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
    }
}

void ProgramRun::hangUp() {
    if (pid_ > 0) {
        ::kill(pid_, SIGHUP);
    }
}

void ProgramRun::stopReadingOutput() {
    if (outFd_ >= 0) {
        ::close(outFd_);
        outFd_ = -1;
    }
}

ProgramRun::Outcome ProgramRun::finish(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (pid_ > 0) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid_ = -1;
            break;
        }
        if (Clock::now() >= end) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            exitStatus_ = -1;
            break;
        }
        pump(std::chrono::milliseconds(20));
    }
    // What is still in the pipes once the program has gone.
    while (pump(std::chrono::milliseconds(100))) {
    }
    closePipes();
    return {exitStatus_, out_, err_};
}

ProgramRun::Outcome ProgramRun::run(const std::string& program, const std::vector<std::string>& arguments,
                                    const std::map<std::string, std::string>& environment,
                                    std::chrono::milliseconds limit) {
    ProgramRun runner;
    if (!runner.start(program, arguments, environment)) {
        return {};
    }
    return runner.finish(limit);
}

}  // namespace clitest
