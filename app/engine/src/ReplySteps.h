#pragma once

#include <cstdint>
#include <span>

#include "engine/ExchangeState.h"
#include "engine/ReplyActions.h"
#include "engine/TransferRecords.h"

namespace engine {

// Steps the reply handlers of several sequences share.

// The answer to a checksum request ends the image's exchanges.
void answerChecksum(bool rejected, ReplyActions& actions);

// A unit rejected the block just sent, the one before unitCursor.
void answerRejectedBlock(std::uint32_t unitCursor, ReplyActions& actions);

// The final answer to a type-3 or type-4 select: erased, or not this unit.
void answerSelect(bool refused, ReplyActions& actions);

// Builds the type-3/4 data block at the cursor into out and returns its
// length; the cursor moves on when advance is set.
std::size_t buildSegmentedBlock(host::Buffer& out, BlockCursor& cursor, bool advance,
                                std::span<const std::uint8_t> window);

// The big-endian word of a payload at offset at; missing bytes read as 0.
std::uint16_t payloadWord(std::span<const std::uint8_t> payload, std::size_t at);

}  // namespace engine
