#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace clitest {

// A program started by a test with its standard output and error on pipes:
// the test reads what it prints, can interrupt it as Ctrl+C would, and gets
// its exit status. The program is killed and reaped if the test ends first.
class ProgramRun {
  public:
    struct Outcome {
        int exitStatus = -1;  // 128 + signal for a program ended by a signal
        std::string out;
        std::string err;
    };

    ProgramRun() = default;
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Starts program; environment entries are added to (or replace those of)
    // the test's own environment.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::map<std::string, std::string>& environment = {});
    // Collects output until text shows on standard output or standard error;
    // false when the program ended or the time ran out first.
    bool waitForText(const std::string& text, std::chrono::milliseconds limit);
    // One line of standard output (without its end), for programs that
    // announce something on their first line.
    bool readLine(std::string& line, std::chrono::milliseconds limit);
    void interrupt();
    void terminate();
    // The terminal or SSH session the program ran in has gone (SIGHUP).
    void hangUp();
    // The reader of its standard output goes away, as head does after its
    // lines: further writes there fail.
    void stopReadingOutput();
    // Waits for the end and returns everything it printed.
    Outcome finish(std::chrono::milliseconds limit);

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

    // Runs a program to its end.
    static Outcome run(const std::string& program, const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment = {},
                       std::chrono::milliseconds limit = std::chrono::seconds(60));

  private:
    // Reads what is there, waiting at most limit; false once both pipes are closed.
    bool pump(std::chrono::milliseconds limit);
    void closePipes();

    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    int exitStatus_ = -1;
    std::string out_;
    std::string err_;
    std::size_t lineStart_ = 0;
};

}  // namespace clitest
