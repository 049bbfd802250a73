// Host-interface layer of the engine: opening and closing the interface
// library, the receive thread and its dispatch, read exchanges and the wait
// for the exchange in progress.
#include <algorithm>
#include <cstring>

#include "core/InterfaceApi.h"
#include "engine/OperationHost.h"
#include "engine/UpdateEngine.h"

namespace engine {

namespace {

constexpr auto kTick = std::chrono::milliseconds(100);
constexpr std::uint32_t kCardDirectBaudRate = 38400;
// MessageReceive results: failure, and the shortest length that can be a message.
constexpr std::int32_t kReceiveFailed = -1;
constexpr std::int32_t kShortestMessage = 3;

bool isReadReplyCommand(std::uint8_t command) {
    return command == 0x0C || command == 0x1C || command == 0x0D || command == 0x1D;
}

}  // namespace

std::int32_t UpdateEngine::openInterface() {
    std::uint32_t baudRate = static_cast<std::uint32_t>(comm_.baudRate);
    if (writingPort_ == data::WritingPort::CardDirect) {
        pcAddress_ = host::kCardDirectPcAddress;
        baudRate = kCardDirectBaudRate;
    } else {
        pcAddress_ = host::kHostPcAddress;
    }
    if (interfaceOpen_) {
        return 0;
    }
    std::int32_t result = -1;
    if (api_ != nullptr && api_->InitInterface != nullptr) {
        result =
            api_->InitInterface(comm_.deviceName.c_str(), static_cast<std::uint32_t>(comm_.replyWaitMs),
                                baudRate, comm_.debugLevel, 0, static_cast<std::uint32_t>(comm_.waitTime));
        if (api_->LoopBackModeChange != nullptr) {
            api_->LoopBackModeChange(0);
        }
    }
    if (result != 0) {
        showMessage("Interface Open NG", true);
        return result;
    }
    interfaceOpen_ = true;
    startReceiver();
    return 0;
}

void UpdateEngine::closeInterface() {
    if (!interfaceOpen_) {
        return;
    }
    requestReceiverStop();
    waitReceiverExited();
    api_->CloseInterface();
    requestKind_ = RequestKind::None;
    phase_ = ExchangePhase::Idle;
    interfaceOpen_ = false;
}

void UpdateEngine::startReceiver() {
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

void UpdateEngine::requestReceiverStop() {
    std::lock_guard lock(receiverMutex_);
    if (receiverState_ == ReceiverState::Running) {
        receiverState_ = ReceiverState::StopRequested;
    }
}

void UpdateEngine::waitReceiverExited() {
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

void UpdateEngine::receiveLoop() {
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
        }
        if (length >= kShortestMessage) {
            dispatch(
                std::span<const std::uint8_t>(buffer.data(), std::min<std::size_t>(length, buffer.size())));
        }
    }
    {
        std::lock_guard lock(receiverMutex_);
        receiverState_ = ReceiverState::Exited;
    }
    receiverChanged_.notify_all();
}

void UpdateEngine::dispatch(std::span<const std::uint8_t> received) {
    const std::optional<host::HostMessage> parsed = host::parseMessage(received);
    if (!parsed || parsed->receiver != pcAddress_.load()) {
        return;
    }
    const host::HostMessage& message = *parsed;
    const bool hostInterface = writingPort_ == data::WritingPort::HostInterface;
    const std::int32_t type = currentUnitType_.load();
    if (message.command == host::kCommandStatus) {
        if (hostInterface && type == 3) {
            handleType3(message);
        } else if (hostInterface && type == 4) {
            handleType4(message);
        } else {
            handleGenericStatus(message);
        }
    } else if (message.command == host::kCommandSegmented) {
        if (hostInterface && type == 3) {
            handleType3(message);
        } else if (hostInterface && type == 4) {
            handleType4(message);
        }
    } else if (message.kind == host::kKindReadReply && isReadReplyCommand(message.command)) {
        handleReadReply(message);
    } else if (message.kind == host::kKindReadReply && message.command == host::kCommandRead32) {
        handleReadReply32(message);
    }
}

void UpdateEngine::send(const host::Buffer& message, std::size_t length) {
    if (api_ != nullptr && api_->MessageSend != nullptr) {
        api_->MessageSend(message.data(), static_cast<std::uint32_t>(length));
    }
}

void UpdateEngine::sendReadRequest(std::uint8_t command, std::uint32_t address, std::uint16_t count) {
    pendingAddress_ = address;
    pendingLength_ = count;
    if (!interfaceOpen_) {
        return;
    }
    host::Buffer message;
    send(message, host::buildReadRequest(message, pcAddress_, targetAddress_, command, address, count));
}

void UpdateEngine::setPhase(ExchangePhase phase, bool error, bool advance) {
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

void UpdateEngine::resetIdleTicks() {
    std::lock_guard lock(exchangeMutex_);
    idleTicks_ = 0;
}

ResultCode UpdateEngine::waitForExchange() {
    {
        std::lock_guard lock(exchangeMutex_);
        idleTicks_ = 0;
    }
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
    const bool eraseOrWrite =
        operationCode_ == data::OperationCode::Erase || operationCode_ == data::OperationCode::Write;
    const ResultCode sequenceError = sequenceError_.load();
    if (eraseOrWrite && sequenceError != ResultCode::Ok) {
        return sequenceError;
    }
    return ResultCode::Ok;
}

ResultCode UpdateEngine::readExchange(RequestKind kind, std::uint8_t command, std::uint32_t address,
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

void UpdateEngine::handleReadReply(const host::HostMessage& message) {
    const RequestKind kind = requestKind_.load();
    if ((kind != RequestKind::BlockRead && kind != RequestKind::VersionRead) ||
        phase_.load() != ExchangePhase::Transfer) {
        return;
    }
    // Only the answer to the request in flight ends the read; anything else
    // would fill the row with bytes that are not its version or ID.
    const std::size_t expected = pendingLength_.load();
    if (message.payload.size() != expected || message.address != pendingAddress_.load() ||
        message.sender != targetAddress_.load() || expected > replyBuffer_.size()) {
        return;
    }
    resetIdleTicks();
    std::memcpy(replyBuffer_.data(), message.payload.data(), expected);
    setPhase(ExchangePhase::Idle, false, false);
}

void UpdateEngine::handleReadReply32(const host::HostMessage& message) {
    const RequestKind kind = requestKind_.load();
    const ExchangePhase phase = phase_.load();
    if (kind == RequestKind::Write && phase == ExchangePhase::Erase) {
        handleReadBack(message);
    } else if (kind == RequestKind::BlockRead && phase == ExchangePhase::Transfer) {
        handleReadReply(message);
    }
}

}  // namespace engine
