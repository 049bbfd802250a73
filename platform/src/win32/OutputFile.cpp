#include "platform/OutputFile.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "WideText.h"

namespace platform {

struct OutputFile::Handle {
    explicit Handle(UniqueHandle created) : file(std::move(created)) {}
    UniqueHandle file;
};

void OutputFile::HandleCloser::operator()(Handle* handle) const {
    std::unique_ptr<Handle> owned(handle);
}

Result<void> OutputFile::create(const std::string& path) {
    close();
    UniqueHandle file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file.valid()) {
        return SystemError::last();
    }
    handle_.reset(std::make_unique<Handle>(std::move(file)).release());
    return {};
}

Result<OutputFile::WriteOutcome> OutputFile::write(std::string_view bytes, const std::atomic<bool>&) {
    if (!handle_) {
        return SystemError::fromCode(ERROR_INVALID_HANDLE);
    }
    // A synchronous write cannot be told to give up; a thread that must not
    // wait for it any longer is ended by its owner.
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(handle_->file.get(), bytes.data(), chunk, &written, nullptr)) {
            return SystemError::last();
        }
        if (written == 0) {
            return SystemError::fromCode(ERROR_WRITE_FAULT);
        }
        bytes.remove_prefix(written);
    }
    return WriteOutcome::Written;
}

}  // namespace platform
