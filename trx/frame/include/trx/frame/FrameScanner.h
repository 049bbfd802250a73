#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace trx::frame {

// Receives what the scanner cuts out of the byte stream.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // A complete frame: the bytes between its markers (length field and body).
    virtual void onFrame(std::span<const std::uint8_t> betweenMarkers) = 0;
    // An unfinished frame that was given up: a new start marker arrived inside
    // it, or it filled the whole reassembly buffer. The bytes after its start.
    virtual void onBrokenFrame(std::span<const std::uint8_t> afterStart) = 0;
};

// Cuts a byte stream into frames. The caller reads straight into readTarget()
// and then hands the number of bytes read to scan(); an unfinished frame is
// kept at the buffer start for the next read. Bytes outside frames are dropped.
class FrameScanner {
  public:
    static constexpr std::size_t kBufferSize = 1024;

    // Where the next read goes, and how much it may bring.
    std::span<std::uint8_t> readTarget();
    // Scans `count` new bytes that were placed at readTarget().
    void scan(std::size_t count, FrameSink& sink);
    // Copies and scans any amount of bytes (for callers that do not read into the buffer).
    void feed(std::span<const std::uint8_t> bytes, FrameSink& sink);
    // Forgets any unfinished frame.
    void reset();

    bool insideFrame() const { return inside_; }

  private:
    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::size_t kept_ = 0;  // bytes of the unfinished frame at the buffer start
    bool inside_ = false;
};

}  // namespace trx::frame
