#include "PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "trx/frame/FramePacker.h"

namespace {

struct Collector : trx::frame::FrameSink {
    std::vector<std::vector<std::uint8_t>>* frames;
    void onFrame(std::span<const std::uint8_t> between) override {
        frames->emplace_back(between.begin(), between.end());
    }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}
};

}  // namespace

PtyPeer::PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        return;
    }
    slavePath_ = ::ptsname(master_);
    keptSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer() {
    if (keptSlave_ >= 0) {
        ::close(keptSlave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

std::size_t PtyPeer::readSome(std::span<std::uint8_t> buffer, int timeoutMs) {
    pollfd entry{master_, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0 || (entry.revents & POLLIN) == 0) {
        return 0;
    }
    const ssize_t count = ::read(master_, buffer.data(), buffer.size());
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::vector<std::vector<std::uint8_t>> PtyPeer::readFrames(std::size_t count, int timeoutMs) {
    std::vector<std::vector<std::uint8_t>> frames;
    Collector collector;
    collector.frames = &frames;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (frames.size() < count && std::chrono::steady_clock::now() < deadline) {
        const std::size_t got = readSome(scanner_.readTarget(), 20);
        scanner_.scan(got, collector);
    }
    return frames;
}

std::vector<std::uint8_t> PtyPeer::drain(int timeoutMs) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1024];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::size_t got = readSome(buffer, 20);
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

void PtyPeer::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(master_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        } else {
            pollfd entry{master_, POLLOUT, 0};
            ::poll(&entry, 1, 100);
        }
    }
}

void PtyPeer::sendMessage(std::span<const std::uint8_t> message) {
    write(packedFrame(message));
}

std::vector<std::uint8_t> packedFrame(std::span<const std::uint8_t> message) {
    std::vector<std::uint8_t> frame(trx::frame::kMaxFrameLength);
    frame.resize(trx::frame::packFrame(message, frame));
    return frame;
}
