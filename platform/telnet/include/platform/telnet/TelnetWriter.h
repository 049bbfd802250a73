#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/telnet/TelnetCodes.h"

namespace platform::telnet {

// How bytes travel in a telnet stream. Each function appends to wire; a
// caller that reserves room once appends without allocating.

// Data: every 255 doubled; outside binary mode a CR goes as CR NUL.
void appendData(std::span<const std::uint8_t> data, bool binary, std::vector<std::uint8_t>& wire);
// IAC verb option.
void appendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire);
// IAC SB option payload IAC SE, with every 255 of the payload doubled.
void appendSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload,
                          std::vector<std::uint8_t>& wire);
// One command of the com-port-control option with its value.
void appendComPortCommand(ComPortCommand command, std::span<const std::uint8_t> value,
                          std::vector<std::uint8_t>& wire);

}  // namespace platform::telnet
