#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "FileDescriptor.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

TextFileError kindError(const struct stat& status) {
    return S_ISREG(status.st_mode) ? TextFileError::None : TextFileError::NotRegular;
}

TextFileContent failure(TextFileError error, int code = 0) {
    TextFileContent content;
    content.error = error;
    content.systemError = SystemError::fromCode(code);
    return content;
}

TextFileContent tooLarge(std::size_t limit) {
    TextFileContent content = failure(TextFileError::TooLarge);
    content.limit = limit;
    return content;
}

TextFileContent failureFromErrno(int code) {
    return failure(code == ENOENT || code == ENOTDIR ? TextFileError::Missing : TextFileError::Unreadable,
                   code);
}

}  // namespace

TextFileContent TextFile::check(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return failureFromErrno(errno);
    return failure(kindError(status));
}

TextFileContent TextFile::read(const std::string& path, std::size_t limit) {
    // Looked at before opening: opening a serial device may switch its
    // modem lines, and a FIFO without a writer would block a plain open.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return failureFromErrno(errno);
    if (kindError(status) != TextFileError::None)
        return failure(TextFileError::NotRegular);

    // Non-blocking and without becoming a controlling terminal, in case the
    // path was replaced between the look and the open; checked again below.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid())
        return failureFromErrno(errno);
    if (::fstat(file.get(), &status) != 0)
        return failure(TextFileError::Unreadable, errno);
    if (kindError(status) != TextFileError::None)
        return failure(TextFileError::NotRegular);
    if (static_cast<std::uint64_t>(status.st_size) > limit)
        return tooLarge(limit);

    TextFileContent content;
    try {
        content.text.reserve(static_cast<std::size_t>(status.st_size));
        std::array<char, 65536> chunk{};
        for (;;) {
            ssize_t count = ::read(file.get(), chunk.data(), chunk.size());
            if (count == 0)
                break;
            if (count < 0) {
                if (errno == EINTR)
                    continue;
                return failure(TextFileError::Unreadable, errno);
            }
            // A file that grows while it is read is held to the same limit.
            if (content.text.size() + static_cast<std::size_t>(count) > limit)
                return tooLarge(limit);
            content.text.append(chunk.data(), static_cast<std::size_t>(count));
        }
    } catch (const std::bad_alloc&) {
        return tooLarge(limit);
    } catch (const std::length_error&) {
        return tooLarge(limit);
    }
    return content;
}

}  // namespace platform
