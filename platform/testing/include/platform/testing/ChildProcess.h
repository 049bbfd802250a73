#pragma once

#include <string>
#include <vector>

#include "platform/Result.h"

namespace platform {

// A program started with its standard output on a pipe, for tests and tools
// that drive another program. The child is stopped (terminate, then kill) and
// reaped when the object goes, so no test leaves a process behind.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with the given arguments (argv[0] is added). Standard
    // error stays the caller's. A failure's text names the step that failed
    // ("spawn /no/such/program: No such file or directory").
    Result<void> start(const std::string& program, const std::vector<std::string>& arguments);

    // One line of the child's standard output without its line end; false
    // when none came within timeoutMs or the output ended.
    bool readLine(std::string& line, int timeoutMs);

    bool running();
    // Asks the child to end (SIGTERM) and waits up to timeoutMs, then kills it.
    // Returns the exit status, 128 + signal number for a signalled child, or -1.
    int stop(int timeoutMs);
    // Waits up to timeoutMs for the child to end by itself; -1 when it did not.
    int wait(int timeoutMs);

    int pid() const { return pid_; }

  private:
    bool reap(bool block);

    int pid_ = -1;
    int outputFd_ = -1;
    int exitStatus_ = -1;
    std::string pending_;
};

}  // namespace platform
