#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trx::frame {

// Messages of these kinds (message byte 3) carry a sequence number when
// numbering is on; the number travels as the last two bytes, high byte first,
// and bit 0x20 of message byte 2 marks it.
inline constexpr std::uint8_t kNumberedKindRequest = 0x12;
inline constexpr std::uint8_t kNumberedKindReply = 0x02;
inline constexpr std::uint8_t kSequenceMark = 0x20;
inline constexpr std::size_t kSequenceNumberSize = 2;

// True for a message (count byte first) whose kind byte asks for a number.
bool wantsSequenceNumber(std::span<const std::uint8_t> message);

// Appends the number behind the last byte, adds 2 to the count and sets the
// mark. The message buffer must hold at least count + 3 bytes and the count
// must stay within one slot; returns false (message unchanged) otherwise.
bool appendSequenceNumber(std::span<std::uint8_t> message, std::uint16_t number);

// True when the unpacked message (count byte first) carries a number.
bool carriesSequenceNumber(std::span<const std::uint8_t> message);

// Reads the number of a message that carries one.
std::uint16_t sequenceNumberOf(std::span<const std::uint8_t> message);

// Removes the number from the view of the message: count minus 2 and the mark
// cleared. The two bytes themselves stay in place behind the message.
void dropSequenceMark(std::span<std::uint8_t> message);

// Follows the numbers of one direction and counts the gaps.
class SequenceTracker {
  public:
    // Takes the next received number; true when it is not the expected one.
    bool observe(std::uint16_t number);
    void restart();

    bool started() const { return started_; }
    std::uint16_t last() const { return last_; }
    std::uint8_t lostFrames() const { return lostFrames_; }

  private:
    bool started_ = false;
    std::uint16_t last_ = 0;
    std::uint8_t lostFrames_ = 0;
};

}  // namespace trx::frame
