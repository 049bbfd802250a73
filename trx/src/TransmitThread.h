#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "trx/frame/FrameFormat.h"

namespace trx {

struct InterfaceState;

// The transmit loop: takes messages from the transmit queue, numbers and
// packs them and writes the frames; sends an active-sense frame when the
// queue stays empty for the wait time. At most one frame is on its way: a
// frame the port did not take at once is finished before the next.
class TransmitThread {
  public:
    // Commands whose low six bits are this value go out without the pause.
    static constexpr std::uint8_t kBackToBackCommand = 0x30;
    static constexpr std::uint8_t kCommandMask = 0x3F;
    // Slice of every wait on the port, so that the stop flag is seen.
    static constexpr int kPollSliceMs = 100;

    explicit TransmitThread(InterfaceState& state) : state_(state) {}

    void run();

  private:
    // A failed write is not retried, so only an unfinished one is remembered.
    enum class PendingWrite { Idle, Pending };

    void startWrite(std::size_t length);
    // Blocks until the unfinished frame is out; false when it failed.
    bool finishPendingWrite();
    void sendMessage();
    void sendActiveSense();

    InterfaceState& state_;
    std::array<std::uint8_t, 1024> frame_{};
    static_assert(frame::kMaxFrameLength <= 1024);
    std::size_t frameLength_ = 0;
    std::size_t frameSent_ = 0;
    PendingWrite pending_ = PendingWrite::Idle;
    std::uint16_t sequenceCounter_ = 0;
};

}  // namespace trx
