#include "platform/InstanceLock.h"

#include <utility>

namespace platform {
namespace {

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

InstanceLock::InstanceLock() = default;

InstanceLock::~InstanceLock() {
    release();
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept = default;

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        release();
        held_ = std::move(other.held_);
        path_ = std::move(other.path_);
    }
    return *this;
}

void InstanceLock::release() {
    held_.reset();
}

std::string InstanceLock::lockFileName(std::string_view name) {
    std::string file;
    bool pendingDash = false;
    for (char c : name) {
        char folded = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (isNameCharacter(folded)) {
            if (pendingDash && !file.empty())
                file.push_back('-');
            pendingDash = false;
            file.push_back(folded);
        } else {
            pendingDash = true;
        }
    }
    if (file.empty())
        file = "instance";
    return file + ".lock";
}

}  // namespace platform
