#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "data/CommSettings.h"
#include "data/WritingPort.h"
#include "engine/AutoResetEvent.h"
#include "engine/ExchangeState.h"
#include "engine/HostMessages.h"
#include "engine/ReplyActions.h"
#include "engine/ResultCode.h"

namespace core {
struct InterfaceApi;
}

namespace engine {

class OperationFrontEnd;
class StatusModel;

// Who decides what a received message means: the reply handlers.
class ReplySink {
  public:
    virtual ~ReplySink() = default;
    // replyBuffer receives the bytes of an answered read request.
    virtual ReplyActions onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange,
                                 std::span<std::uint8_t> replyBuffer) = 0;
};

// The engine's transport through the interface library: opens and closes
// it, runs the receive thread that hands every message addressed to the PC
// to the reply handlers and carries out what they decide, and lets the
// worker send messages and wait for the exchange in progress to end, be
// cancelled or time out. There is only ever one exchange in progress.
class HostLink {
  public:
    static constexpr std::uint32_t kCardDirectBaudRate = 38400;

    HostLink(StatusModel& status, OperationFrontEnd& frontEnd, ReplySink& sink);
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    void setInterfaceApi(const core::InterfaceApi* api) { api_ = api; }

    // Opens the interface library's line and starts the receive thread; 0 on
    // success, else the library's result. Opening an open link only sets the
    // PC's own address again.
    std::int32_t open(const data::CommSettings& comm, data::WritingPort port);
    // Stops the receive thread and closes the library's line.
    void close();
    bool isOpen() const { return open_.load(); }

    // Fields of the exchange.
    void setOwnAddress(std::uint8_t address) { ownAddress_ = address; }
    std::uint8_t ownAddress() const { return ownAddress_.load(); }
    void setTarget(std::uint8_t address) { targetAddress_ = address; }
    std::uint8_t target() const { return targetAddress_.load(); }
    void setRequestKind(RequestKind kind) { requestKind_ = kind; }
    RequestKind requestKind() const { return requestKind_.load(); }
    void setSequenceError(ResultCode result) { sequenceError_ = result; }
    ResultCode sequenceError() const { return sequenceError_.load(); }
    // The silence, in 100 ms periods, after which a wait ends with TimedOut.
    void setTimeoutTicks(std::int32_t ticks) { timeoutTicks_ = ticks; }
    // In an erase or write, a wait ends with the error a reply handler recorded.
    void setSequenceErrorsEndWaits(bool end) { sequenceErrorsEndWaits_ = end; }
    // Sets the phase; with advance one step on both bars; the error flag of the status.
    void setPhase(ExchangePhase phase, bool error, bool advance);

    // Messages built from the exchange's fields go out only while the line is
    // open; the fixed-form ones always.
    void sendIfOpen(const host::Buffer& message, std::size_t length);
    void send(const host::Buffer& message, std::size_t length);
    void sendReadRequest(std::uint8_t command, std::uint32_t address, std::uint16_t count);

    // Waits until the exchange in progress has ended: Ok, or Cancelled,
    // TimedOut, or in an erase or write the error its handler recorded.
    ResultCode waitForExchange();
    // Reads count bytes at address from the target: Ok leaves them in reply().
    ResultCode readExchange(RequestKind kind, std::uint8_t command, std::uint32_t address,
                            std::uint16_t count);
    std::span<const std::uint8_t> reply() const { return replyBuffer_; }

    // Asks the receive thread to end after the message it is waiting for.
    void requestReceiverStop();

  private:
    void startReceiver();
    void waitReceiverOutsideHandler();
    void waitReceiverExited();
    void receiveLoop();
    void handle(std::span<const std::uint8_t> received);
    void carryOut(const ReplyActions& actions);
    void resetIdleTicks();
    ExchangeSnapshot snapshot() const;

    StatusModel& status_;
    OperationFrontEnd& frontEnd_;
    ReplySink& sink_;
    const core::InterfaceApi* api_ = nullptr;

    std::atomic<bool> open_{false};
    std::atomic<std::uint8_t> ownAddress_{host::kHostPcAddress};
    std::atomic<std::uint8_t> targetAddress_{0};
    std::atomic<RequestKind> requestKind_{RequestKind::None};
    std::atomic<ExchangePhase> phase_{ExchangePhase::Idle};
    std::atomic<std::uint32_t> pendingAddress_{0};
    std::atomic<std::uint16_t> pendingLength_{0};
    std::atomic<ResultCode> sequenceError_{ResultCode::Ok};
    std::atomic<std::int32_t> timeoutTicks_{0};
    std::atomic<bool> sequenceErrorsEndWaits_{false};
    std::array<std::uint8_t, host::kBufferSize> replyBuffer_{};

    // The receiver lock guards the receive thread's state; the exchange lock
    // the count of silent periods, which every accepted reply starts again.
    std::mutex receiverMutex_;
    std::mutex exchangeMutex_;
    ReceiverState receiverState_ = ReceiverState::Stopped;  // guarded by receiverMutex_
    bool handling_ = false;       // the receive thread carries out a reply; guarded by receiverMutex_
    std::int32_t idleTicks_ = 0;  // guarded by exchangeMutex_
    std::condition_variable receiverChanged_;
    std::thread receiver_;
    AutoResetEvent exchangeEnded_;  // wakes the waiting worker as soon as a handler ends the exchange
};

// The read-reply handler: the answer to the read request in flight copies
// its bytes into replyBuffer and ends the read; any other message leaves the
// read waiting.
ReplyActions answerRead(const ExchangeSnapshot& exchange, const host::HostMessage& message,
                        std::span<std::uint8_t> replyBuffer);

}  // namespace engine
