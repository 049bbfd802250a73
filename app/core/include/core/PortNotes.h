#pragma once

#include <string>

#include "platform/PortDescription.h"

namespace core {

// What the programs tell the technician about a port's device, from its
// description: one short label (for a menu item beside the port name), and
// the warning about an adapter whose latency timer slows every reply down.
class PortNotes {
  public:
    // Above this many milliseconds a USB adapter's latency timer holds up
    // each short reply of the console long enough to double a write's time.
    static constexpr int kLongestGoodLatencyMs = 2;

    // "FTDI FT232R USB UART A10K3X2Q" on Linux, the friendly name on Windows;
    // empty when nothing is known. At most maxLength characters.
    static std::string label(const platform::PortDescription& description, std::size_t maxLength);

    // The warning for an adapter whose latency timer only the technician can
    // lower and which is above kLongestGoodLatencyMs; empty otherwise.
    static std::string latencyWarning(const platform::PortDescription& description);
};

}  // namespace core
