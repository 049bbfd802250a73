#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/UserNotifier.h"

namespace testing_support {

// Keeps every message the code under test shows, with its icon.
class RecordingNotifier : public core::UserNotifier {
  public:
    struct Message {
        std::string text;
        core::MessageIcon icon;
        bool operator==(const Message&) const = default;
    };

    void showMessage(const std::string& text, core::MessageIcon icon) override {
        messages.push_back(Message{text, icon});
    }

    std::vector<Message> messages;
};

}  // namespace testing_support
