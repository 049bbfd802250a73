#include "platform/NewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileDescriptor.h"

namespace platform {

namespace {
// Read and write for the owner, read for everybody else; the umask may take more away.
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
}  // namespace

Result<void> writeNewFile(const std::string& path, std::string_view content) {
    // O_EXCL also refuses a symbolic link, wherever it leads.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (!file.valid())
        return SystemError::last();
    auto removeAndFail = [&](int code) {
        ::unlink(path.c_str());
        return SystemError::fromCode(code);
    };

    std::string_view rest = content;
    while (!rest.empty()) {
        const ssize_t written = ::write(file.get(), rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return removeAndFail(written < 0 ? errno : EIO);
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    // The report must be on the disk before the program says it was written.
    if (::fsync(file.get()) != 0 && errno != EINVAL)
        return removeAndFail(errno);
    if (::close(file.release()) != 0 && errno != EINTR)
        return removeAndFail(errno);
    return {};
}

}  // namespace platform
