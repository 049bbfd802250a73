#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "sim/ConsoleState.h"
#include "sim/Reply.h"

namespace sim {

// The boot loader of type-2 units, reached straight over the line: a text
// console ("exit", "VER") and binary frames with a check byte.
class BootLoader {
  public:
    static constexpr std::uint8_t kCommandWake = 0x00;
    static constexpr std::uint8_t kCommandBoot = 0x30;
    static constexpr std::uint8_t kCommandData = 0x31;
    static constexpr std::uint8_t kCommandEraseBlock = 0x32;
    static constexpr std::uint8_t kAnswerFlag = 0x80;   // set in the command of an answer
    static constexpr std::uint8_t kRefusalFlag = 0xC0;  // set in the command of a refusal
    static constexpr std::uint32_t kCompressedMark = 0x10000000;
    static constexpr std::uint32_t kChunkDoneMark = 0x80000000;
    static constexpr std::size_t kChunkSize = 4096;
    static constexpr std::size_t kCompressedCapacity = 8192;
    // Whole frames, count byte and check byte included: Wake is the shortest,
    // a data frame with 128 bytes the longest.
    static constexpr std::size_t kShortestFrame = 4;
    static constexpr std::size_t kLongestFrame = 128 + 8;
    static constexpr int kFirstSegmentEraseBlock = 4;  // erase numbers 4..18 are window blocks 1..15

    explicit BootLoader(ConsoleState& state) : state_(state) {}

    // A whole frame (count byte first) whose check byte is right.
    void handleFrame(std::span<const std::uint8_t> frame, std::vector<Reply>& replies);
    // A text command without its carriage return.
    void handleText(const std::string& command, std::vector<Reply>& replies);

    // Whether a count byte and a command byte can begin a frame the loader
    // knows: Wake, Boot and Erase block have fixed lengths, data frames vary.
    static bool plausibleHeader(std::uint8_t count, std::uint8_t command);
    // The check byte of a frame: one's complement of the sum of bytes 1 .. n-2.
    static std::uint8_t checkByte(std::span<const std::uint8_t> frameWithoutCheck);
    static std::vector<std::uint8_t> makeFrame(std::vector<std::uint8_t> bytesWithoutCount);

    bool textMode() const { return textMode_; }

  private:
    struct Staging {
        std::array<std::uint8_t, kCompressedCapacity> bytes{};
        std::size_t length = 0;
        bool writtenSinceBoot = false;
        int chunksSinceErase = 0;
    };

    void answer(const CpuSlot& slot, std::vector<std::uint8_t> bytesWithoutCount, bool refused,
                std::vector<Reply>& replies);
    void chunkDone(const CpuSlot& slot, Staging& staging, std::uint32_t address, std::vector<Reply>& replies);
    void verifyAtLeave(const CpuSlot& slot, Staging& staging);

    ConsoleState& state_;
    bool textMode_ = true;
    std::map<std::uint8_t, Staging> staging_;
};

}  // namespace sim
