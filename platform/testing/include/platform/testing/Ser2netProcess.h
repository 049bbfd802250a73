#pragma once

#include <cstdint>
#include <string>

#include "platform/testing/ChildProcess.h"

namespace platform {

// ser2net, the device server of Debian, in front of one device (a
// pseudo-terminal of the simulated console) for tests and benchmarks. It
// gets a settings file of its own, never the system's, listens on 127.0.0.1
// only, and is stopped when the object goes.
class Ser2netProcess {
  public:
    struct Options {
        // telnet with the com-port option (rfc2217://), else raw TCP (socket://).
        bool rfc2217 = true;
        // Nagle's algorithm off in the server's accepter; as Debian ships
        // ser2net it stays on.
        bool nodelay = false;
        // The device's line as ser2net opens it.
        std::string line = "115200n81";
    };

    static constexpr const char* kProgram = "/usr/sbin/ser2net";

    Ser2netProcess() = default;
    ~Ser2netProcess();
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    static bool installed();

    // Starts ser2net for device on a free port and waits until it listens.
    bool start(const std::string& device, const Options& options);
    // Stops it (SIGTERM) and removes its files; harmless when not running.
    void stop();

    std::uint16_t port() const { return port_; }
    // rfc2217://127.0.0.1:PORT or socket://127.0.0.1:PORT.
    std::string url() const;
    const std::string& error() const { return error_; }
    // The settings file as written (for messages).
    const std::string& settings() const { return settings_; }

  private:
    bool startOn(const std::string& device, const Options& options, std::uint16_t port);

    ChildProcess process_;
    std::string folder_;
    std::string settings_;
    std::uint16_t port_ = 0;
    bool rfc2217_ = true;
    std::string error_;
};

}  // namespace platform
