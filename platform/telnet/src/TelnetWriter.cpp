#include "platform/telnet/TelnetWriter.h"

namespace platform::telnet {

namespace {

void appendEscaped(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& wire) {
    for (const std::uint8_t byte : bytes) {
        wire.push_back(byte);
        if (byte == kIac) {
            wire.push_back(kIac);
        }
    }
}

}  // namespace

void appendData(std::span<const std::uint8_t> data, bool binary, std::vector<std::uint8_t>& wire) {
    if (binary) {
        appendEscaped(data, wire);
        return;
    }
    for (const std::uint8_t byte : data) {
        wire.push_back(byte);
        if (byte == kIac) {
            wire.push_back(kIac);
        } else if (byte == kCarriageReturn) {
            wire.push_back(kNul);
        }
    }
}

void appendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& wire) {
    wire.insert(wire.end(), {kIac, verb, option});
}

void appendSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload,
                          std::vector<std::uint8_t>& wire) {
    wire.insert(wire.end(), {kIac, kSubnegotiationBegin});
    appendEscaped(std::span<const std::uint8_t>(&option, 1), wire);
    appendEscaped(payload, wire);
    wire.insert(wire.end(), {kIac, kSubnegotiationEnd});
}

void appendComPortCommand(ComPortCommand command, std::span<const std::uint8_t> value,
                          std::vector<std::uint8_t>& wire) {
    wire.insert(wire.end(), {kIac, kSubnegotiationBegin, kOptionComPort, static_cast<std::uint8_t>(command)});
    appendEscaped(value, wire);
    wire.insert(wire.end(), {kIac, kSubnegotiationEnd});
}

}  // namespace platform::telnet
