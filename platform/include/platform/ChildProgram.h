#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/Result.h"

namespace platform {

// Another program started by this one, with its standard input, output and
// error on pipes of its own. The child runs in a process group of its own (on
// Windows: a new console process group), so the terminal's Ctrl+C reaches
// only this program, which decides what to tell the child. One thread may
// read the output while another reads the error stream and a third waits.
class ChildProgram {
  public:
    struct Launch {
        std::string program;                 // full path
        std::vector<std::string> arguments;  // after the program's own name
        // Added to (or replacing those of) this program's environment.
        std::vector<std::pair<std::string, std::string>> environment;
    };

    ChildProgram();
    // Closes the child's input and waits for it to end: a child that takes
    // the end of its input as a stop request ends cleanly.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Starts the program; a failure (no such program, no pipes) gives the
    // system's error and leaves nothing running.
    Result<void> start(const Launch& launch);
    bool started() const;

    // Blocks until the child writes to its standard output (or error) and
    // returns how many bytes were read; 0 once the stream has ended.
    std::size_t readOutput(std::span<char> buffer);
    std::size_t readError(std::span<char> buffer);

    // Ends the child's standard input (harmless when already ended).
    void closeInput();

    // Waits for the child to end and returns its exit status: 0..255, or
    // 128 + the signal number for a child that a signal ended; -1 when
    // nothing was started. Later calls return the same status.
    int wait();

  private:
    struct Process;
    std::unique_ptr<Process> process_;
};

}  // namespace platform
