#include "platform/telnet/TelnetParser.h"

#include "platform/telnet/TelnetCodes.h"

namespace platform::telnet {

void TelnetParser::reset() {
    state_ = State::Data;
    verb_ = 0;
    option_ = 0;
    afterCarriageReturn_ = false;
    discarding_ = false;
    payloadCut_ = false;
    payloadLength_ = 0;
}

void TelnetParser::keepPayloadByte(std::uint8_t byte) {
    if (payloadLength_ < payload_.size()) {
        payload_[payloadLength_++] = byte;
    } else {
        payloadCut_ = true;
    }
}

void TelnetParser::takeCommand(std::uint8_t command, TelnetEvents& events) {
    state_ = State::Data;
    if (command == kDo || command == kDont || command == kWill || command == kWont) {
        verb_ = command;
        state_ = State::Option;
    } else if (command == kSubnegotiationBegin) {
        state_ = State::SubnegotiationStart;
    } else {
        events.onCommand(command);
    }
}

std::size_t TelnetParser::decode(std::span<std::uint8_t> bytes, TelnetEvents& events) {
    std::size_t kept = 0;
    // Data is written back over the bytes already read, so the output never
    // overtakes the input.
    const auto keepData = [&](std::uint8_t byte) {
        const bool nulOfCr = dropNulAfterCr_ && afterCarriageReturn_ && byte == kNul;
        afterCarriageReturn_ = byte == kCarriageReturn;
        if (!nulOfCr && !discarding_) {
            bytes[kept++] = byte;
        }
    };
    for (const std::uint8_t byte : bytes) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Command;
                } else {
                    keepData(byte);
                }
                break;
            case State::Command:
                if (byte == kIac) {
                    state_ = State::Data;
                    keepData(byte);
                } else {
                    takeCommand(byte, events);
                }
                break;
            case State::Option:
                state_ = State::Data;
                events.onNegotiation(verb_, byte);
                break;
            case State::SubnegotiationStart:
                if (byte == kIac) {
                    // IAC SB IAC ...: no option byte. IAC IAC would be an
                    // option of 255, which no one negotiates; anything else
                    // ends this subnegotiation unheard.
                    state_ = State::Command;
                    break;
                }
                option_ = byte;
                payloadLength_ = 0;
                payloadCut_ = false;
                state_ = State::Subnegotiation;
                break;
            case State::Subnegotiation:
                if (byte == kIac) {
                    state_ = State::SubnegotiationIac;
                } else {
                    keepPayloadByte(byte);
                }
                break;
            case State::SubnegotiationIac:
                if (byte == kIac) {
                    keepPayloadByte(byte);
                    state_ = State::Subnegotiation;
                } else if (byte == kSubnegotiationEnd) {
                    state_ = State::Data;
                    events.onSubnegotiation(
                        option_, std::span<const std::uint8_t>(payload_.data(), payloadLength_), payloadCut_);
                } else {
                    // A command inside a subnegotiation: the subnegotiation was
                    // broken off. It is dropped and the command taken as it is.
                    takeCommand(byte, events);
                }
                break;
        }
    }
    return kept;
}

}  // namespace platform::telnet
