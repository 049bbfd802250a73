#pragma once

#include <cstdint>

#include "ReceiveDelivery.h"
#include "trx/frame/FrameScanner.h"

namespace trx {

struct InterfaceState;

// The receive loop: waits for input (in slices, so that the stop flag is
// seen), reads into the reassembly buffer and hands the frames found there to
// the delivery, or, with filtered reception, answers them synthetically.
class ReceiveThread : private frame::FrameSink {
  public:
    static constexpr int kPollSliceMs = 100;
    // Second body byte of a frame, mark bit cleared, that filtered reception answers.
    static constexpr std::uint8_t kRequestKind = 0x12;
    static constexpr std::uint8_t kReplyKind = 0x02;

    explicit ReceiveThread(InterfaceState& state) : state_(state), delivery_(state) {}

    void run();

  private:
    // Waits until input is there; false when stopping or after an error.
    bool waitForInput();
    void onFrame(std::span<const std::uint8_t> betweenMarkers) override;
    void onBrokenFrame(std::span<const std::uint8_t> afterStart) override;

    InterfaceState& state_;
    ReceiveDelivery delivery_;
    frame::FrameScanner scanner_;
};

}  // namespace trx
