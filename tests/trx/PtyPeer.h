#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "trx/frame/FrameScanner.h"

// The far end of a pseudo-terminal, owned by a test: the library opens the
// slave by name, the test reads and writes the master side.
class PtyPeer {
  public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool isOpen() const { return master_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // Reads what arrives within timeoutMs (0 bytes when nothing came).
    std::size_t readSome(std::span<std::uint8_t> buffer, int timeoutMs);
    // Collects frames until `count` are there or timeoutMs passed; the bytes
    // between the markers of each.
    std::vector<std::vector<std::uint8_t>> readFrames(std::size_t count, int timeoutMs);
    // Everything that arrives within timeoutMs.
    std::vector<std::uint8_t> drain(int timeoutMs);
    void write(std::span<const std::uint8_t> bytes);
    void sendMessage(std::span<const std::uint8_t> message);

  private:
    int master_ = -1;
    int keptSlave_ = -1;  // keeps the line up between the library's opens
    std::string slavePath_;
    trx::frame::FrameScanner scanner_;
};

// Packs a message as the library puts it on the wire.
std::vector<std::uint8_t> packedFrame(std::span<const std::uint8_t> message);
