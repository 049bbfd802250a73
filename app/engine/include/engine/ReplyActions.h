#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "engine/ExchangeState.h"
#include "engine/HostMessages.h"
#include "engine/ResultCode.h"

namespace engine {

// One thing the receive thread does after a reply.
enum class ReplyStep : std::uint8_t {
    Accept,            // the reply counts: the count of silent periods starts again
    ShowStatus,        // text: the status line
    ShowChecksum,      // value: the checksum shown with the image
    SetSequenceError,  // result: what the sequence ends with
    AdvanceCurrent,    // one step on the Current bar
    AdvanceOverall,    // value: steps on the Total bar
    SetPhase,          // phase, error, advance: where the exchange stands now
    Send,              // the message of the actions goes out
};

struct ReplyAction {
    static constexpr std::size_t kTextCapacity = 64;

    ReplyStep step = ReplyStep::Accept;
    std::int32_t value = 0;
    ResultCode result = ResultCode::Ok;
    ExchangePhase phase = ExchangePhase::Idle;
    bool error = false;
    bool advance = false;
    std::array<char, kTextCapacity> textBuffer{};

    std::string_view text() const { return textBuffer.data(); }
};

// What a reply handler decided, in the order it is to be done: the receive
// thread carries the steps out one after another. A handler sends at most
// one message per reply. Nothing here allocates.
class ReplyActions {
  public:
    static constexpr std::size_t kCapacity = 8;

    void accept() { push(ReplyStep::Accept); }
    void showStatus(std::string_view text);
    // The status line from a printf pattern and at least one value (a plain
    // text takes the overload above); a longer text is cut.
    template <typename First, typename... Rest>
    void showStatus(const char* pattern, First first, Rest... rest) {
        if (ReplyAction* action = push(ReplyStep::ShowStatus)) {
            std::snprintf(action->textBuffer.data(), action->textBuffer.size(), pattern, first, rest...);
        }
    }
    void showChecksum(std::uint16_t checksum);
    void setSequenceError(ResultCode result);
    void advanceCurrent() { push(ReplyStep::AdvanceCurrent); }
    void advanceOverall(std::int32_t steps);
    void setPhase(ExchangePhase phase, bool error, bool advance);
    // The message goes out at this point: out() holds it, length bytes long.
    void send(std::size_t length);
    host::Buffer& out() { return message_; }

    std::span<const ReplyAction> steps() const { return {steps_.data(), count_}; }
    std::span<const std::uint8_t> message() const { return {message_.data(), messageLength_}; }
    bool empty() const { return count_ == 0; }

  private:
    ReplyAction* push(ReplyStep step);

    std::array<ReplyAction, kCapacity> steps_{};
    std::size_t count_ = 0;
    host::Buffer message_{};
    std::size_t messageLength_ = 0;
};

}  // namespace engine
