#pragma once

#include <cstdint>

namespace data {

// How the PC is attached to the console, chosen once at start-up.
enum class WritingPort : std::int32_t {
    HostInterface = 0,  // "Host I/F": through the connection point's host interface
    CardDirect = 1,     // "Card Direct": straight to the unit's card
};

// Rows of a freshly loaded unit start checked only when writing through the
// host interface.
constexpr bool initialRowSelection(WritingPort port) {
    return port == WritingPort::HostInterface;
}

}  // namespace data
