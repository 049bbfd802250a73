#pragma once

#include <cstdint>
#include <span>

namespace trx {

struct InterfaceState;

// Puts one message into the receive queue: a received frame (its bytes from
// the length field to before the end marker, unpacked here) or a message as
// it is (local loop-back and the synthetic replies of filtered reception).
class ReceiveDelivery {
  public:
    static constexpr std::uint32_t kQueueFullLimitMs = 1000;

    explicit ReceiveDelivery(InterfaceState& state) : state_(state) {}

    // True when the message was stored.
    bool deliverFrame(std::span<const std::uint8_t> betweenMarkers);
    bool deliverMessage(std::span<const std::uint8_t> message);
    // An unfinished frame that was given up: logged as a size error, never stored.
    void rejectBrokenFrame(std::span<const std::uint8_t> afterStart);

  private:
    bool takeFreeSlot();
    void logSizeError(std::span<const std::uint8_t> raw, std::size_t announced);

    InterfaceState& state_;
};

}  // namespace trx
