#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "core/InterfaceApi.h"
#include "engine/OperationControl.h"

namespace engine::testing {

// An interface library whose far end is a script, for driving one
// conversation on the calling thread: MessageSend writes down what goes out
// and hands it to the responder, which may queue replies; MessageReceive
// hands the queued replies out in order, each after the reply gap. Once the
// replies are used up the line has nothing more to say: the operation is
// cancelled, so that the wait in progress ends at once (with Cancelled).
// One line at a time.
class ScriptedLine {
  public:
    using Message = std::vector<std::uint8_t>;

    explicit ScriptedLine(OperationControl& control) : control_(control) {
        active() = this;
        api_.InitInterface = [](const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                                std::uint32_t) { return std::int32_t{0}; };
        api_.CloseInterface = [] {};
        api_.LoopBackModeChange = [](std::int32_t) { return std::int32_t{1}; };
        api_.MessageSend = [](const std::uint8_t* message, std::uint32_t length) {
            ScriptedLine& line = *active();
            line.sent.emplace_back(message, message + length);
            line.deliveredBeforeSend.push_back(line.delivered.size());
            if (line.responder) {
                line.responder(line.sent.back(), line);
            }
            return std::int32_t{1};
        };
        api_.MessageReceive = [](std::uint8_t* buffer) {
            ScriptedLine& line = *active();
            if (line.replies_.empty()) {
                line.control_.cancel();
                return std::int32_t{-1};
            }
            if (line.replyGap.count() > 0) {
                std::this_thread::sleep_for(line.replyGap);
            }
            const Message reply = std::move(line.replies_.front());
            line.replies_.pop_front();
            std::copy(reply.begin(), reply.end(), buffer);
            line.delivered.push_back(reply);
            return static_cast<std::int32_t>(reply.size());
        };
    }
    ~ScriptedLine() { active() = nullptr; }
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    const core::InterfaceApi& api() const { return api_; }
    void queue(Message reply) { replies_.push_back(std::move(reply)); }
    // Forgets the replies not yet handed out.
    void dropQueued() { replies_.clear(); }
    bool exhausted() const { return replies_.empty(); }

    // Called with every message sent; may queue the unit's answer.
    std::function<void(const Message& sent, ScriptedLine& line)> responder;
    // How long each reply keeps the line silent before it comes.
    std::chrono::milliseconds replyGap{0};
    std::vector<Message> sent;
    std::vector<Message> delivered;
    // For each message sent, how many replies had been delivered before it.
    std::vector<std::size_t> deliveredBeforeSend;

  private:
    static ScriptedLine*& active() {
        static ScriptedLine* line = nullptr;
        return line;
    }

    OperationControl& control_;
    core::InterfaceApi api_{};
    std::deque<Message> replies_;
};

}  // namespace engine::testing
