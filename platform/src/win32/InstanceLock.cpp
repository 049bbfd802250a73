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

Result<InstanceLock> InstanceLock::acquire(std::string_view name, const std::string& directory) {
    InstanceLock lock;
    lock.path_ = name;
    // Tests keep their locks apart by a folder of their own; it becomes part
    // of the name (a mutex name may not hold backslashes).
    if (!directory.empty()) {
        std::string place = directory;
        std::replace(place.begin(), place.end(), '\\', '/');
        lock.path_ += " " + place;
    }
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, widen(lock.path_).c_str());
    if (mutex == nullptr) {
        return SystemError::last();
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return SystemError::fromCode(ERROR_ALREADY_EXISTS);
    }
    lock.held_.reset(std::make_unique<Held>(mutex).release());
    return lock;
}

std::string InstanceLock::defaultDirectory() {
    // The mutex lives in the session's namespace, not in a folder.
    return {};
}

}  // namespace platform
