#pragma once

#include <cstdint>
#include <vector>

#include "sim/FaultSwitches.h"

namespace sim {

// One answer of the console before faults, framing and pacing are applied.
struct Reply {
    enum class Form {
        HostMessage,      // a message (count byte first) that goes out in a TRX frame
        BootLoaderFrame,  // a boot-loader frame, sent as it is
        Text,             // text console output, sent as it is
    };

    Form form = Form::HostMessage;
    std::vector<std::uint8_t> bytes;
    FaultSwitches faults;
    const void* faultOwner = nullptr;  // whose reply count the drop and corrupt faults follow
};

}  // namespace sim
