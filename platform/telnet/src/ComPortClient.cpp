#include "platform/telnet/ComPortClient.h"

#include "platform/telnet/TelnetWriter.h"

namespace platform::telnet {

ComPortClient::ComPortClient() {
    // Until the server agrees to send binary it speaks the virtual terminal.
    parser_.setNulAfterCarriageReturnDropped(true);
}

void ComPortClient::start(std::vector<std::uint8_t>& wire) {
    for (OptionStates* states : {&binary_, &suppressGoAhead_}) {
        states->local = State::Asked;
        states->remote = State::Asked;
    }
    comPort_.local = State::Asked;
    appendNegotiation(kWill, kOptionBinary, wire);
    appendNegotiation(kDo, kOptionBinary, wire);
    appendNegotiation(kWill, kOptionSuppressGoAhead, wire);
    appendNegotiation(kDo, kOptionSuppressGoAhead, wire);
    appendNegotiation(kWill, kOptionComPort, wire);
}

std::size_t ComPortClient::receive(std::span<std::uint8_t> bytes, std::vector<std::uint8_t>& replies) {
    replies_ = &replies;
    const std::size_t kept = parser_.decode(bytes, *this);
    replies_ = nullptr;
    return kept;
}

void ComPortClient::appendData(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire) const {
    telnet::appendData(data, sendsBinary(), wire);
}

void ComPortClient::requestBaudRate(std::uint32_t baudRate, std::vector<std::uint8_t>& wire) const {
    // Four bytes, most significant first.
    const std::uint8_t value[] = {
        static_cast<std::uint8_t>(baudRate >> 24), static_cast<std::uint8_t>(baudRate >> 16),
        static_cast<std::uint8_t>(baudRate >> 8), static_cast<std::uint8_t>(baudRate)};
    appendComPortCommand(ComPortCommand::SetBaudRate, value, wire);
}

void ComPortClient::requestDataSize(std::uint8_t bits, std::vector<std::uint8_t>& wire) const {
    appendComPortCommand(ComPortCommand::SetDataSize, std::span<const std::uint8_t>(&bits, 1), wire);
}

void ComPortClient::requestParity(std::uint8_t parity, std::vector<std::uint8_t>& wire) const {
    appendComPortCommand(ComPortCommand::SetParity, std::span<const std::uint8_t>(&parity, 1), wire);
}

void ComPortClient::requestStopSize(std::uint8_t stopSize, std::vector<std::uint8_t>& wire) const {
    appendComPortCommand(ComPortCommand::SetStopSize, std::span<const std::uint8_t>(&stopSize, 1), wire);
}

void ComPortClient::requestControl(std::uint8_t control, std::vector<std::uint8_t>& wire) const {
    appendComPortCommand(ComPortCommand::SetControl, std::span<const std::uint8_t>(&control, 1), wire);
}

void ComPortClient::requestPurge(std::uint8_t buffers, std::vector<std::uint8_t>& wire) {
    appendComPortCommand(ComPortCommand::PurgeData, std::span<const std::uint8_t>(&buffers, 1), wire);
    const bool towardClient = buffers == kPurgeReceiveBuffer || buffers == kPurgeBothBuffers;
    if (towardClient && serverLine_.receivePurges > 0) {
        parser_.setDiscardingData(true);
    }
}

ComPortClient::ComPortAnswer ComPortClient::comPortAnswer() const {
    if (comPort_.local == State::On) {
        return ComPortAnswer::Accepted;
    }
    return comPortRefused_ ? ComPortAnswer::Refused : ComPortAnswer::Pending;
}

ComPortClient::OptionStates* ComPortClient::statesOf(std::uint8_t option) {
    switch (option) {
        case kOptionBinary:
            return &binary_;
        case kOptionSuppressGoAhead:
            return &suppressGoAhead_;
        case kOptionComPort:
            return &comPort_;
        default:
            return nullptr;
    }
}

bool ComPortClient::wantsRemote(std::uint8_t option) {
    // The server may send binary and leave out go-aheads; that it sends
    // com-port commands of its own (as a client would) is not wanted.
    return option == kOptionBinary || option == kOptionSuppressGoAhead;
}

void ComPortClient::onNegotiation(std::uint8_t verb, std::uint8_t option) {
    std::vector<std::uint8_t>& replies = *replies_;
    OptionStates* states = statesOf(option);
    // A request to enter a state the option is in already is not answered,
    // so that two parties never answer each other's answers for ever.
    switch (verb) {
        case kDo:
            if (states == nullptr) {
                appendNegotiation(kWont, option, replies);
            } else if (states->local == State::Off) {
                states->local = State::On;
                appendNegotiation(kWill, option, replies);
            } else {
                states->local = State::On;
            }
            break;
        case kDont:
            if (states != nullptr) {
                if (states->local == State::On) {
                    appendNegotiation(kWont, option, replies);
                }
                states->local = State::Off;
                if (option == kOptionComPort) {
                    comPortRefused_ = true;
                }
            }
            break;
        case kWill:
            if (states == nullptr || !wantsRemote(option)) {
                appendNegotiation(kDont, option, replies);
            } else if (states->remote == State::Off) {
                states->remote = State::On;
                appendNegotiation(kDo, option, replies);
            } else {
                states->remote = State::On;
            }
            break;
        case kWont:
            if (states != nullptr && wantsRemote(option)) {
                if (states->remote == State::On) {
                    appendNegotiation(kDont, option, replies);
                }
                states->remote = State::Off;
            }
            break;
        default:
            break;
    }
    parser_.setNulAfterCarriageReturnDropped(!receivesBinary());
}

void ComPortClient::onSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload, bool cut) {
    // Only the com-port option's answers matter; a cut one is not trusted.
    if (option != kOptionComPort || payload.empty() || cut) {
        return;
    }
    onServerComPortReply(payload[0], payload.subspan(1));
}

void ComPortClient::onServerComPortReply(std::uint8_t command, std::span<const std::uint8_t> value) {
    const auto reply = [](ComPortCommand asked) {
        return static_cast<std::uint8_t>(static_cast<std::uint8_t>(asked) + kServerReplyOffset);
    };
    if (command == reply(ComPortCommand::SetBaudRate)) {
        if (value.size() == 4) {
            serverLine_.baudRate = (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
                                   (std::uint32_t{value[2]} << 8) | std::uint32_t{value[3]};
        }
        return;
    }
    if (value.size() != 1) {
        return;
    }
    const std::uint8_t byte = value[0];
    if (command == reply(ComPortCommand::SetDataSize)) {
        serverLine_.dataSize = byte;
    } else if (command == reply(ComPortCommand::SetParity)) {
        serverLine_.parity = byte;
    } else if (command == reply(ComPortCommand::SetStopSize)) {
        serverLine_.stopSize = byte;
    } else if (command == reply(ComPortCommand::SetControl)) {
        serverLine_.control = byte;
    } else if (command == reply(ComPortCommand::NotifyLineState)) {
        serverLine_.lineState = byte;
    } else if (command == reply(ComPortCommand::NotifyModemState)) {
        serverLine_.modemState = byte;
    } else if (command == reply(ComPortCommand::PurgeData)) {
        if (byte == kPurgeReceiveBuffer || byte == kPurgeBothBuffers) {
            ++serverLine_.receivePurges;
            // What follows the confirmation left the device after the purge.
            parser_.setDiscardingData(false);
        }
    }
}

}  // namespace platform::telnet
