#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>

#include "Operation.h"
#include "data/CommSettings.h"
#include "data/WritingPort.h"
#include "engine/HostMessages.h"
#include "engine/ResultCode.h"

namespace core {
struct InterfaceApi;
}

namespace engine {

class OperationControl;

// The engine's line through the interface library. The operation's worker
// sends a message and then takes the replies off the library itself, so
// nothing stands between an acknowledgement and the next message. There is
// only ever one exchange on the line.
class HostLink {
  public:
    static constexpr std::uint32_t kCardDirectBaudRate = 38400;

    // What a wait for a reply brought: a message addressed to the PC (valid
    // until the next wait), or why none came: Cancelled or TimedOut.
    struct Reply {
        ResultCode result = ResultCode::Ok;
        host::HostMessage message;
        explicit operator bool() const { return result == ResultCode::Ok; }
    };

    HostLink(OperationControl& control, FrontEndSlot& frontEnd) : control_(control), frontEnd_(frontEnd) {}
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    void setInterfaceApi(const core::InterfaceApi* api) { api_ = api; }

    // Opens the library's line; 0 on success, else the library's result after
    // the message box "Interface Open NG". Opening an open link only sets the
    // PC's own address again.
    std::int32_t open(const data::CommSettings& comm, data::WritingPort port);
    void close();
    bool isOpen() const { return open_; }

    // The PC's address on the bus: replies are addressed to it.
    void setOwnAddress(std::uint8_t address) { ownAddress_ = address; }
    std::uint8_t ownAddress() const { return ownAddress_; }
    // The silence, in 100 ms periods, after which a wait ends with TimedOut.
    void setTimeoutTicks(std::int32_t ticks) { timeoutTicks_ = ticks; }

    void send(std::span<const std::uint8_t> message);

    // An exchange begins: its silence is counted from now.
    void beginExchange() { lastAccepted_ = Clock::now(); }
    // The next message addressed to the PC. Whatever comes, the wait ends
    // with Cancelled once the operation is cancelled, and with TimedOut once
    // more than the timeout's periods have passed since the exchange began or
    // its last accepted reply.
    Reply awaitMessage();
    // The next message the exchange waits for, as answers(message) tells;
    // everything else is passed over. The answer breaks the silence.
    template <typename Answers>
    Reply awaitAnswer(Answers answers) {
        for (;;) {
            Reply reply = awaitMessage();
            if (!reply || answers(reply.message)) {
                if (reply) {
                    accept();
                }
                return reply;
            }
        }
    }
    // A message that awaitMessage brought belongs to the exchange: its
    // silence counts from now.
    void accept() { lastAccepted_ = Clock::now(); }

    // A read request for count bytes at address from target, and the wait
    // for its answer: a read reply of the target's with that address and
    // length. Anything else leaves the read waiting. Ok leaves the bytes in
    // reply().
    ResultCode read(std::uint8_t target, std::uint8_t command, std::uint32_t address, std::uint16_t count,
                    bool blockRead);
    std::span<const std::uint8_t> reply() const { return replyBytes_; }

  private:
    using Clock = std::chrono::steady_clock;

    bool silenceTooLong() const;

    OperationControl& control_;
    FrontEndSlot& frontEnd_;
    const core::InterfaceApi* api_ = nullptr;
    bool open_ = false;
    std::uint8_t ownAddress_ = host::kHostPcAddress;
    std::int32_t timeoutTicks_ = 0;
    Clock::time_point lastAccepted_{};
    std::array<std::uint8_t, host::kBufferSize> received_{};
    std::array<std::uint8_t, host::kBufferSize> replyBytes_{};
};

}  // namespace engine
