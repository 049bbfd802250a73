#pragma once

#include <cstdint>

namespace engine {

// What the exchange in progress asks of the unit; decides which reply handler applies.
enum class RequestKind : std::int32_t { None = 0, EraseOnly = 1, Write = 2, BlockRead = 3, VersionRead = 4 };

// Where the exchange in progress stands; Idle means no exchange is in progress.
enum class ExchangePhase : std::int32_t { Idle = 0, Erase = 1, Transfer = 2, Checksum = 3 };

// Life of the engine's receive thread: Stopped -> Running -> StopRequested -> Exited -> Stopped.
enum class ReceiverState : std::int32_t { Stopped = 0, Running = 1, StopRequested = 2, Exited = 3 };

// engineState values, guarded by the state lock.
enum class EngineState : std::int32_t { Starting = 0, Running = 1, Finished = 3 };

}  // namespace engine
