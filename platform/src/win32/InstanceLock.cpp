#include "platform/InstanceLock.h"

#include <windows.h>

#include <algorithm>

#include "WideText.h"

namespace platform {

struct InstanceLock::Held {
    explicit Held(HANDLE created) : mutex(created) {}
    UniqueHandle mutex;
};

void InstanceLock::HeldCloser::operator()(Held* held) const {
    std::unique_ptr<Held> owned(held);
}

InstanceLock::InstanceLock(std::string_view name, const std::string& directory) : path_(name) {
    // Tests keep their locks apart by a folder of their own; it becomes part
    // of the name (a mutex name may not hold backslashes).
    if (!directory.empty()) {
        std::string place = directory;
        std::replace(place.begin(), place.end(), '\\', '/');
        path_ += " " + place;
    }
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, widen(path_).c_str());
    if (mutex == nullptr) {
        error_ = SystemError::last();
        alreadyExisted_ = true;
        return;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        error_ = SystemError::fromCode(ERROR_ALREADY_EXISTS);
        alreadyExisted_ = true;
        ::CloseHandle(mutex);
        return;
    }
    held_.reset(std::make_unique<Held>(mutex).release());
}

std::string InstanceLock::defaultDirectory() {
    // The mutex lives in the session's namespace, not in a folder.
    return {};
}

}  // namespace platform
