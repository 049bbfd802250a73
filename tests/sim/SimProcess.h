#pragma once

// Starts qx7a-sim from a test, reads the port path it prints and stops it
// again. Link the `qx7a_sim_testing` target to use it; it knows where the
// built program lies.
//
//     simtest::SimProcess console;
//     ASSERT_TRUE(console.start({"--console", path, "--dump", dumpDir})) << console.error();
//     open(console.portPath()) ...
//     EXPECT_EQ(console.stop(), 0);   // the dump is complete once stop() returned

#include <string>
#include <vector>

#include "platform/testing/ChildProcess.h"

#ifndef QX7A_SIM_PROGRAM
#error "link the qx7a_sim_testing target: it defines QX7A_SIM_PROGRAM"
#endif

namespace simtest {

class SimProcess {
  public:
    static std::string programPath() { return QX7A_SIM_PROGRAM; }

    // Starts the simulator with these arguments and waits for the port path.
    bool start(const std::vector<std::string>& arguments, int startTimeoutMs = 5000) {
        error_.clear();
        if (const platform::Result<void> started = process_.start(programPath(), arguments); !started) {
            error_ = started.error().text();
            return false;
        }
        if (!process_.readLine(portPath_, startTimeoutMs) || portPath_.empty()) {
            const int status = process_.stop(2000);
            error_ = "qx7a-sim printed no port path (exit status " + std::to_string(status) + ")";
            portPath_.clear();
            return false;
        }
        return true;
    }

    const std::string& portPath() const { return portPath_; }
    const std::string& error() const { return error_; }
    bool running() { return process_.running(); }
    int pid() const { return process_.pid(); }

    // Stops the simulator (SIGTERM, which also writes its dump) and returns
    // its exit status: 0 after a clean stop.
    int stop(int timeoutMs = 5000) { return process_.stop(timeoutMs); }
    // Waits for a simulator started with --lifetime to end by itself.
    int wait(int timeoutMs) { return process_.wait(timeoutMs); }

  private:
    platform::ChildProcess process_;
    std::string portPath_;
    std::string error_;
};

}  // namespace simtest
