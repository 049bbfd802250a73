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

TextFileContent failureFromErrno(int code) {
    return TextFileContent::failed(
        code == ENOENT || code == ENOTDIR ? TextFileError::Missing : TextFileError::Unreadable,
        SystemError::fromCode(code));
}

}  // namespace

TextFileContent TextFile::check(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return failureFromErrno(errno);
    return TextFileContent::failed(kindError(status));
}

TextFileContent TextFile::read(const std::string& path, std::size_t limit) {
    // Looked at before opening: opening a serial device may switch its
    // modem lines, and a FIFO without a writer would block a plain open.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return failureFromErrno(errno);
    if (kindError(status) != TextFileError::None)
        return TextFileContent::failed(TextFileError::NotRegular);

    // Non-blocking and without becoming a controlling terminal, in case the
    // path was replaced between the look and the open; checked again below.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid())
        return failureFromErrno(errno);
    if (::fstat(file.get(), &status) != 0)
        return TextFileContent::failed(TextFileError::Unreadable, SystemError::last());
    if (kindError(status) != TextFileError::None)
        return TextFileContent::failed(TextFileError::NotRegular);
    if (static_cast<std::uint64_t>(status.st_size) > limit)
        return TextFileContent::beyond(limit);

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
                return TextFileContent::failed(TextFileError::Unreadable, SystemError::last());
            }
            // A file that grows while it is read is held to the same limit.
            if (content.text.size() + static_cast<std::size_t>(count) > limit)
                return TextFileContent::beyond(limit);
            content.text.append(chunk.data(), static_cast<std::size_t>(count));
        }
    } catch (const std::bad_alloc&) {
        return TextFileContent::beyond(limit);
    } catch (const std::length_error&) {
        return TextFileContent::beyond(limit);
    }
    return content;
}

}  // namespace platform
