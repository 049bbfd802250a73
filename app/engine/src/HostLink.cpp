#include "HostLink.h"

#include <algorithm>
#include <cstring>

#include "SequenceAnswers.h"
#include "Ticks.h"
#include "core/InterfaceApi.h"
#include "engine/FrontEnd.h"
#include "engine/OperationControl.h"

namespace engine {

namespace {

// MessageReceive gives -1 on failure, 0 when nothing came within its wait
// time, else the length of the message; a message has at least this many bytes.
constexpr std::int32_t kShortestMessage = 3;

}  // namespace

HostLink::~HostLink() {
    close();
}

std::int32_t HostLink::open(const data::CommSettings& comm, data::WritingPort port) {
    std::uint32_t baudRate = static_cast<std::uint32_t>(comm.baudRate);
    if (port == data::WritingPort::CardDirect) {
        ownAddress_ = host::kCardDirectPcAddress;
        baudRate = kCardDirectBaudRate;
    } else {
        ownAddress_ = host::kHostPcAddress;
    }
    if (open_) {
        return 0;
    }
    std::int32_t result = -1;
    if (api_ != nullptr && api_->InitInterface != nullptr) {
        result = api_->InitInterface(comm.deviceName.c_str(), static_cast<std::uint32_t>(comm.replyWaitMs),
                                     baudRate, comm.debugLevel, 0, static_cast<std::uint32_t>(comm.waitTime));
        if (api_->LoopBackModeChange != nullptr) {
            api_->LoopBackModeChange(0);
        }
    }
    if (result != 0) {
        frontEnd_.load()->showMessage("Interface Open NG", core::MessageIcon::Stop);
        return result;
    }
    open_ = true;
    return 0;
}

void HostLink::close() {
    if (!open_) {
        return;
    }
    api_->CloseInterface();
    open_ = false;
}

void HostLink::send(std::span<const std::uint8_t> message) {
    if (api_ != nullptr && api_->MessageSend != nullptr) {
        api_->MessageSend(message.data(), static_cast<std::uint32_t>(message.size()));
    }
}

bool HostLink::silenceTooLong() const {
    const auto silentPeriods = (Clock::now() - lastAccepted_) / kTick;
    return silentPeriods > timeoutTicks_;
}

HostLink::Reply HostLink::awaitMessage() {
    for (;;) {
        std::int32_t length = -1;
        if (open_ && api_ != nullptr && api_->MessageReceive != nullptr) {
            // Returns with the next message, or empty after the library's wait time.
            length = api_->MessageReceive(received_.data());
        }
        if (length < 0) {
            // The library takes nothing in any more: the wait goes on without
            // it, period by period, until cancelled or timed out.
            control_.waitForCancel(kTick);
        }
        if (control_.cancelled()) {
            return {ResultCode::Cancelled, {}};
        }
        // Only an accepted reply breaks the silence: a unit that keeps
        // sending what the exchange does not wait for still times out.
        if (silenceTooLong()) {
            return {ResultCode::TimedOut, {}};
        }
        if (length >= kShortestMessage) {
            const auto received = std::span<const std::uint8_t>(
                received_.data(), std::min<std::size_t>(length, received_.size()));
            const std::optional<host::HostMessage> message = host::parseMessage(received);
            if (message && message->receiver == ownAddress_) {
                return {ResultCode::Ok, *message};
            }
        }
    }
}

ResultCode HostLink::read(std::uint8_t target, std::uint8_t command, std::uint32_t address,
                          std::uint16_t count, bool blockRead) {
    std::memset(replyBytes_.data(), 0, std::min<std::size_t>(count, replyBytes_.size()));
    host::Buffer request;
    send(std::span(request.data(),
                   host::buildReadRequest(request, ownAddress_, target, command, address, count)));
    beginExchange();
    const answers::ReadRequest wanted{target, address, count, blockRead};
    static_assert(std::tuple_size_v<decltype(replyBytes_)> == host::kBufferSize);
    const Reply reply = awaitAnswer(
        [&wanted](const host::HostMessage& message) { return answers::answersRead(message, wanted); });
    if (reply) {
        std::memcpy(replyBytes_.data(), reply.message.payload.data(), count);
    }
    return reply.result;
}

}  // namespace engine
