#pragma once

#include <cstdint>

namespace data {

// What the low 8 bits of a unit's type make of it: the sequence that writes
// it and the timing set it takes. Every type not named here is Generic.
enum class UnitKind : std::uint8_t {
    Generic = 0,  // generic erase/write sequence, SRF7 timing
    Eng7 = 1,     // generic sequence, ENG7 timing
    Direct = 2,   // written through its own boot loader over the engine's port, XDG7 timing
    Type3 = 3,    // select, echo and blocks through the host interface, LIO7 timing
    Type4 = 4,    // the first 4 KB and marked 64 KB blocks through the host interface, XDG7 timing
};

constexpr UnitKind unitKindOf(std::int32_t unitType) {
    const auto low = static_cast<std::uint8_t>(unitType);
    return low <= static_cast<std::uint8_t>(UnitKind::Type4) ? static_cast<UnitKind>(low) : UnitKind::Generic;
}

}  // namespace data
