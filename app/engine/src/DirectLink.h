#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/ResultCode.h"

namespace data {
struct CommSettings;
}

namespace engine {

class DirectPort;
class StatusModel;

// The entry points of the compression library, bound for the time of a
// direct write.
struct CompressionFunctions {
    using Compress = std::uint32_t (*)(const std::uint8_t*, std::uint32_t, std::uint8_t*);
    using Decompress = std::uint32_t (*)(const std::uint8_t*, std::uint8_t*);
    Compress compress = nullptr;
    Decompress decompress = nullptr;
};

// The engine's transport to a unit's boot loader over its own port: every
// frame exchange opens the port, writes, reads the answer and closes the
// port again. In every answer only the first byte is awaited with a time-out.
class DirectLink {
  public:
    static constexpr std::uint32_t kChunkSize = 4096;

    DirectLink(DirectPort& port, const data::CommSettings& comm, StatusModel& status)
        : port_(port), comm_(comm), status_(status) {}

    void setCompression(const CompressionFunctions& functions) { compression_ = functions; }

    // Sends the wake frame, then pauses 200 ms.
    void wake();
    // Enter (then a 500 ms pause) or leave boot mode.
    ResultCode changeBootMode(std::uint8_t target, bool enter);
    ResultCode eraseBlock(std::uint8_t target, std::uint8_t block);
    // Writes length bytes of source to unitAddress in chunks of 4 KB, each
    // compressed when that makes it smaller; one Current-bar step per chunk.
    ResultCode write(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* source,
                     std::uint32_t length);

    // Leaves the unit's text console with "exit"; OpenFailed when the port
    // does not open.
    ResultCode leaveTextMode();
    // Asks for the version with "VER" and returns the text of its two fields,
    // the point of the first one dropped and up to two trailing blanks removed.
    std::string readVersionText();

  private:
    ResultCode exchangeFrame(std::span<const std::uint8_t> frame, std::uint8_t answerCommand,
                             int firstByteTimeoutMs);
    // One chunk: its data frames, and for a compressed one its confirmation.
    ResultCode writeChunk(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* source,
                          std::uint32_t length);
    bool sendPieces(std::uint8_t target, std::uint32_t unitAddress, const std::uint8_t* data,
                    std::uint32_t length, bool compressed);
    bool confirmChunk(std::uint8_t target, std::uint32_t unitAddress);

    DirectPort& port_;
    const data::CommSettings& comm_;
    StatusModel& status_;
    CompressionFunctions compression_;
    // Room for a compressed 4 KB chunk, which the coder may make longer than
    // the chunk (at most 6784 bytes).
    std::array<std::uint8_t, 8192> compressionBuffer_{};
};

}  // namespace engine
