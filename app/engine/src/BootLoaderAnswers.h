#pragma once

#include <cstdint>
#include <string>

#include "engine/DirectPort.h"
#include "engine/ResultCode.h"

namespace engine::boot {

// The readers of everything the direct path takes from the line. They only
// read: whatever the bytes are, they end (every wait has its time-out) and
// they call an answer good only when it is exactly what a unit sends.
class BootLoaderAnswers {
  public:
    // The bytes of an answer after its first one are already on their way.
    static constexpr int kAnswerTailTimeoutMs = 100;
    static constexpr int kTextByteTimeoutMs = 100;
    static constexpr int kVersionSilenceMs = 500;
    // The version reply is kept in a buffer of this size (end included).
    static constexpr std::size_t kVersionTextCapacity = 64;

    // Boot enter, boot leave and erase: the count byte 04 within
    // firstByteTimeoutMs, then answerCommand. No first byte: TimedOut;
    // anything else: DeviceError.
    static ResultCode readShortAnswer(ByteSource& line, std::uint8_t answerCommand, int firstByteTimeoutMs);
    // Chunk done: 07, B1, the target and the chunk address with bit 31 set.
    static bool readChunkDoneAnswer(ByteSource& line, std::uint8_t target, std::uint32_t chunkAddress,
                                    int firstByteTimeoutMs);
    // After "exit": reads until 100 ms pass without a byte; the number of
    // bytes other than 0 that came.
    static int countTextAnswer(ByteSource& line);
    // After "VER": skips the echo up to its closing 0, then collects two
    // fields separated by 0 bytes (the first without its "."), at most 63
    // characters in all, and drops up to two trailing blanks.
    static std::string readVersionReply(ByteSource& line);
    // A reply that starts with a digit 1 to 9 is a version.
    static bool isVersionText(const std::string& text);
};

}  // namespace engine::boot
