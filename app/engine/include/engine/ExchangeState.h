#pragma once

#include <cstdint>

namespace engine {

// What the exchange in progress asks of the unit; decides which reply handler applies.
enum class RequestKind : std::int32_t { None = 0, EraseOnly = 1, Write = 2, BlockRead = 3, VersionRead = 4 };

// Where the exchange in progress stands; Idle means no exchange is in progress.
enum class ExchangePhase : std::int32_t { Idle = 0, Erase = 1, Transfer = 2, Checksum = 3 };

// Life of the engine's receive thread: Stopped -> Running -> StopRequested -> Exited -> Stopped.
enum class ReceiverState : std::int32_t { Stopped = 0, Running = 1, StopRequested = 2, Exited = 3 };

// The exchange in progress as a reply handler sees it when a message arrives.
struct ExchangeSnapshot {
    ExchangePhase phase = ExchangePhase::Idle;
    RequestKind request = RequestKind::None;
    std::uint8_t ownAddress = 0;     // the PC on the bus: replies are addressed to it
    std::uint8_t targetAddress = 0;  // the unit the exchange is with
    // The read request in flight: its address and byte count.
    std::uint32_t pendingAddress = 0;
    std::uint16_t pendingLength = 0;
};

}  // namespace engine
