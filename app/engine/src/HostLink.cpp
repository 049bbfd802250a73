#include "engine/HostLink.h"

#include <algorithm>
#include <cstring>

#include "Ticks.h"
#include "core/InterfaceApi.h"
#include "engine/OperationFrontEnd.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

// MessageReceive results: failure, and the shortest length that can be a message.
constexpr std::int32_t kReceiveFailed = -1;
constexpr std::int32_t kShortestMessage = 3;

}  // namespace

HostLink::HostLink(StatusModel& status, OperationFrontEnd& frontEnd, ReplySink& sink)
    : status_(status), frontEnd_(frontEnd), sink_(sink) {}

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
        frontEnd_.showMessage("Interface Open NG", true);
        return result;
    }
    open_ = true;
    startReceiver();
    return 0;
}

void HostLink::close() {
    if (!open_) {
        return;
    }
    requestReceiverStop();
    // A handler that is still carrying out a reply finishes first, so that
    // what it sends is accepted before the line closes. Closing the library
    // then ends the receive thread's pending MessageReceive at once instead
    // of after its wait time, and the thread leaves on the stop request.
    waitReceiverOutsideHandler();
    api_->CloseInterface();
    waitReceiverExited();
    requestKind_ = RequestKind::None;
    phase_ = ExchangePhase::Idle;
    open_ = false;
}

void HostLink::startReceiver() {
    std::unique_lock lock(receiverMutex_);
    if (receiverState_ != ReceiverState::Stopped) {
        return;
    }
    if (receiver_.joinable()) {
        receiver_.join();
    }
    receiver_ = std::thread([this] { receiveLoop(); });
    receiverChanged_.wait(lock, [this] { return receiverState_ != ReceiverState::Stopped; });
}

void HostLink::requestReceiverStop() {
    std::lock_guard lock(receiverMutex_);
    if (receiverState_ == ReceiverState::Running) {
        receiverState_ = ReceiverState::StopRequested;
    }
}

void HostLink::waitReceiverOutsideHandler() {
    std::unique_lock lock(receiverMutex_);
    receiverChanged_.wait(lock, [this] { return !handling_; });
}

void HostLink::waitReceiverExited() {
    {
        std::unique_lock lock(receiverMutex_);
        if (receiverState_ == ReceiverState::Stopped) {
            return;
        }
        receiverChanged_.wait(lock, [this] { return receiverState_ == ReceiverState::Exited; });
        receiverState_ = ReceiverState::Stopped;
    }
    if (receiver_.joinable()) {
        receiver_.join();
    }
}

void HostLink::receiveLoop() {
    std::array<std::uint8_t, host::kBufferSize> buffer{};
    {
        std::lock_guard lock(receiverMutex_);
        receiverState_ = ReceiverState::Running;
    }
    receiverChanged_.notify_all();
    for (;;) {
        const std::int32_t length = api_->MessageReceive(buffer.data());
        if (length == kReceiveFailed) {
            break;
        }
        {
            std::lock_guard lock(receiverMutex_);
            if (receiverState_ == ReceiverState::StopRequested) {
                break;
            }
            handling_ = length >= kShortestMessage;
        }
        if (length >= kShortestMessage) {
            handle(
                std::span<const std::uint8_t>(buffer.data(), std::min<std::size_t>(length, buffer.size())));
            {
                std::lock_guard lock(receiverMutex_);
                handling_ = false;
            }
            receiverChanged_.notify_all();
        }
    }
    {
        std::lock_guard lock(receiverMutex_);
        receiverState_ = ReceiverState::Exited;
    }
    receiverChanged_.notify_all();
}

ExchangeSnapshot HostLink::snapshot() const {
    ExchangeSnapshot exchange;
    exchange.phase = phase_.load();
    exchange.request = requestKind_.load();
    exchange.ownAddress = ownAddress_.load();
    exchange.targetAddress = targetAddress_.load();
    exchange.pendingAddress = pendingAddress_.load();
    exchange.pendingLength = pendingLength_.load();
    return exchange;
}

void HostLink::handle(std::span<const std::uint8_t> received) {
    const std::optional<host::HostMessage> message = host::parseMessage(received);
    if (message) {
        carryOut(sink_.onReply(*message, snapshot(), replyBuffer_));
    }
}

void HostLink::carryOut(const ReplyActions& actions) {
    for (const ReplyAction& action : actions.steps()) {
        switch (action.step) {
            case ReplyStep::Accept:
                resetIdleTicks();
                break;
            case ReplyStep::ShowStatus:
                status_.setStatusText(action.text());
                break;
            case ReplyStep::ShowChecksum:
                status_.setChecksum(static_cast<std::uint16_t>(action.value));
                break;
            case ReplyStep::SetSequenceError:
                sequenceError_ = action.result;
                break;
            case ReplyStep::AdvanceCurrent:
                status_.advanceCurrent();
                break;
            case ReplyStep::AdvanceOverall:
                status_.advanceOverall(action.value);
                break;
            case ReplyStep::SetPhase:
                setPhase(action.phase, action.error, action.advance);
                break;
            case ReplyStep::Send:
                // Replies arrive only while the line is open, so what a
                // handler sends always goes out.
                if (api_ != nullptr && api_->MessageSend != nullptr) {
                    api_->MessageSend(actions.message().data(),
                                      static_cast<std::uint32_t>(actions.message().size()));
                }
                break;
        }
    }
}

void HostLink::send(const host::Buffer& message, std::size_t length) {
    if (api_ != nullptr && api_->MessageSend != nullptr) {
        api_->MessageSend(message.data(), static_cast<std::uint32_t>(length));
    }
}

void HostLink::sendIfOpen(const host::Buffer& message, std::size_t length) {
    if (open_) {
        send(message, length);
    }
}

void HostLink::sendReadRequest(std::uint8_t command, std::uint32_t address, std::uint16_t count) {
    pendingAddress_ = address;
    pendingLength_ = count;
    host::Buffer message;
    if (open_) {
        send(message, host::buildReadRequest(message, ownAddress_, targetAddress_, command, address, count));
    }
}

void HostLink::setPhase(ExchangePhase phase, bool error, bool advance) {
    if (advance) {
        status_.advanceCurrent();
        status_.advanceOverall(1);
    }
    status_.setErrorFlag(error);
    // The phase is written last: a worker that sees Idle also sees what the
    // handler recorded before it.
    phase_ = phase;
    if (phase == ExchangePhase::Idle) {
        exchangeEnded_.signal();
    }
}

void HostLink::resetIdleTicks() {
    std::lock_guard lock(exchangeMutex_);
    idleTicks_ = 0;
}

ResultCode HostLink::waitForExchange() {
    resetIdleTicks();
    // A signal left from an earlier exchange must not cut a period short;
    // one that comes with this exchange's end is covered by the phase test.
    exchangeEnded_.reset();
    while (phase_.load() != ExchangePhase::Idle) {
        // One period: ends early when the exchange ends, so the next message
        // follows at once instead of at the next period boundary.
        exchangeEnded_.waitFor(kTick);
        if (phase_.load() == ExchangePhase::Idle) {
            break;
        }
        if (status_.cancelEvent().tryWait()) {
            status_.cancelEvent().signal();
            requestReceiverStop();
            return ResultCode::Cancelled;
        }
        std::lock_guard lock(exchangeMutex_);
        if (idleTicks_ >= timeoutTicks_.load()) {
            requestReceiverStop();
            return ResultCode::TimedOut;
        }
        ++idleTicks_;
    }
    const ResultCode sequenceError = sequenceError_.load();
    if (sequenceErrorsEndWaits_ && sequenceError != ResultCode::Ok) {
        return sequenceError;
    }
    return ResultCode::Ok;
}

ResultCode HostLink::readExchange(RequestKind kind, std::uint8_t command, std::uint32_t address,
                                  std::uint16_t count) {
    requestKind_ = kind;
    const std::size_t filled = std::min<std::size_t>(count, replyBuffer_.size());
    std::memset(replyBuffer_.data(), 0, filled);
    setPhase(ExchangePhase::Transfer, false, false);
    sendReadRequest(command, address, count);
    const ResultCode result = waitForExchange();
    if (result != ResultCode::Ok) {
        return result;
    }
    return status_.errorFlag() ? ResultCode::Failed : ResultCode::Ok;
}

ReplyActions answerRead(const ExchangeSnapshot& exchange, const host::HostMessage& message,
                        std::span<std::uint8_t> replyBuffer) {
    ReplyActions actions;
    if (message.payload.empty()) {
        return actions;
    }
    const bool reading =
        exchange.request == RequestKind::BlockRead || exchange.request == RequestKind::VersionRead;
    if (!reading || exchange.phase != ExchangePhase::Transfer) {
        return actions;
    }
    // Only the answer to the request in flight ends the read; anything else
    // would fill the row with bytes that are not its version or ID.
    const std::size_t expected = exchange.pendingLength;
    if (message.payload.size() != expected || message.address != exchange.pendingAddress ||
        message.sender != exchange.targetAddress || expected > replyBuffer.size()) {
        return actions;
    }
    actions.accept();
    std::memcpy(replyBuffer.data(), message.payload.data(), expected);
    actions.setPhase(ExchangePhase::Idle, false, false);
    return actions;
}

}  // namespace engine
