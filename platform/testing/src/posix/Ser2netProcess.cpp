#include "platform/testing/Ser2netProcess.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/testing/LoopbackSocket.h"

namespace platform {
namespace {

constexpr int kListenWaitMs = 5000;
constexpr int kStartAttempts = 3;

// Whether something listens on 127.0.0.1:port, from the kernel's table; no
// connection is made, so the device behind ser2net is not opened.
bool listensOnLoopback(std::uint16_t port) {
    char local[32];
    std::snprintf(local, sizeof(local), "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remoteAddress, state;
        fields >> slot >> localAddress >> remoteAddress >> state;
        if (localAddress == local && state == "0A") {
            return true;
        }
    }
    return false;
}

}  // namespace

Ser2netProcess::~Ser2netProcess() {
    stop();
}

bool Ser2netProcess::installed() {
    return ::access(kProgram, X_OK) == 0;
}

std::string Ser2netProcess::url() const {
    return std::string(rfc2217_ ? "rfc2217" : "socket") + "://127.0.0.1:" + std::to_string(port_);
}

bool Ser2netProcess::start(const std::string& device, const Options& options) {
    stop();
    error_.clear();
    if (!installed()) {
        error_ = std::string(kProgram) + " is not installed (scripts/bootstrap installs it)";
        return false;
    }
    char pattern[] = "/tmp/flashkit-ser2net.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        error_ = "no folder for the settings of ser2net";
        return false;
    }
    folder_ = pattern;
    // The port is free when chosen, but another program may take it before
    // ser2net binds it: then another one is tried.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (startOn(device, options, unusedLoopbackPort())) {
            return true;
        }
    }
    return false;
}

bool Ser2netProcess::startOn(const std::string& device, const Options& options, std::uint16_t port) {
    if (port == 0) {
        error_ = "no free port on 127.0.0.1";
        return false;
    }
    port_ = port;
    rfc2217_ = options.rfc2217;
    settings_ = folder_ + "/ser2net.yaml";
    const std::string tcp = options.nodelay ? "tcp(nodelay)" : "tcp";
    const std::string accepter =
        (options.rfc2217 ? "telnet(rfc2217)," : "") + tcp + ",127.0.0.1," + std::to_string(port);
    {
        std::ofstream file(settings_, std::ios::trunc);
        file << "connection: &flashkit\n"
             << "  accepter: " << accepter << "\n"
             << "  connector: serialdev," << device << "," << options.line << ",local\n"
             << "  options:\n"
             << "    kickolduser: true\n"
             << "    chardelay: false\n"
             << "    mdns: false\n";
        if (!file) {
            error_ = "cannot write " + settings_;
            return false;
        }
    }
    // -n -d: in the foreground with its messages on standard output; -u: no
    // UUCP lock files; -c: this file, never the system's.
    if (const Result<void> started =
            process_.start(kProgram, {"-n", "-d", "-u", "-c", settings_, "-P", folder_ + "/ser2net.pid"});
        !started) {
        error_ = "cannot start ser2net: " + started.error().text();
        return false;
    }
    // A mistake in the settings does not stop ser2net: only a listening
    // port tells that it took them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListenWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (listensOnLoopback(port)) {
            return true;
        }
        if (!process_.running()) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string said;
    std::string line;
    while (process_.readLine(line, 0)) {
        said += line + " ";
    }
    process_.stop(2000);
    error_ = "ser2net does not listen on 127.0.0.1:" + std::to_string(port) + " with " + accepter +
             (said.empty() ? "" : " (it said: " + said + ")");
    return false;
}

void Ser2netProcess::stop() {
    process_.stop(2000);
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        folder_.clear();
    }
}

}  // namespace platform
