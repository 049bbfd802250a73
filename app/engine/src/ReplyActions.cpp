#include "engine/ReplyActions.h"

#include <algorithm>

namespace engine {

ReplyAction* ReplyActions::push(ReplyStep step) {
    // Every handler asks for fewer steps than there is room for; a list that
    // is full drops further steps rather than overrun.
    if (count_ == kCapacity) {
        return nullptr;
    }
    ReplyAction& action = steps_[count_++];
    action = ReplyAction{};
    action.step = step;
    return &action;
}

void ReplyActions::showStatus(std::string_view text) {
    if (ReplyAction* action = push(ReplyStep::ShowStatus)) {
        const std::size_t length = std::min(text.size(), action->textBuffer.size() - 1);
        std::copy_n(text.data(), length, action->textBuffer.data());
        action->textBuffer[length] = '\0';
    }
}

void ReplyActions::showChecksum(std::uint16_t checksum) {
    if (ReplyAction* action = push(ReplyStep::ShowChecksum)) {
        action->value = checksum;
    }
}

void ReplyActions::setSequenceError(ResultCode result) {
    if (ReplyAction* action = push(ReplyStep::SetSequenceError)) {
        action->result = result;
    }
}

void ReplyActions::advanceOverall(std::int32_t steps) {
    if (ReplyAction* action = push(ReplyStep::AdvanceOverall)) {
        action->value = steps;
    }
}

void ReplyActions::setPhase(ExchangePhase phase, bool error, bool advance) {
    if (ReplyAction* action = push(ReplyStep::SetPhase)) {
        action->phase = phase;
        action->error = error;
        action->advance = advance;
    }
}

void ReplyActions::send(std::size_t length) {
    if (push(ReplyStep::Send) != nullptr) {
        messageLength_ = std::min(length, message_.size());
    }
}

}  // namespace engine
