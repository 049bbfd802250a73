#include "platform/TextFile.h"

#include <windows.h>

#include <new>
#include <stdexcept>

#include "WideText.h"

namespace platform {
namespace {

TextFileContent failureFromLastError() {
    SystemError error = SystemError::last();
    return TextFileContent::failed(error.isNotFound() ? TextFileError::Missing : TextFileError::Unreadable,
                                   std::move(error));
}

}  // namespace

TextFileContent TextFile::check(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failureFromLastError();
    return TextFileContent::failed((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TextFileError::NotRegular
                                                                                : TextFileError::None);
}

TextFileContent TextFile::read(const std::string& path, std::size_t limit) {
    // Looked at before opening: a device name (COM1, CON, a pipe) is never opened.
    TextFileContent kind = check(path);
    if (!kind.ok())
        return kind;
    UniqueHandle file(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failureFromLastError();
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return TextFileContent::failed(TextFileError::NotRegular);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        return TextFileContent::failed(TextFileError::Unreadable, SystemError::last());
    if (static_cast<unsigned long long>(size.QuadPart) > limit)
        return TextFileContent::beyond(limit);

    TextFileContent content;
    try {
        content.text.reserve(static_cast<std::size_t>(size.QuadPart));
        char chunk[65536];
        for (;;) {
            DWORD count = 0;
            if (!::ReadFile(file.get(), chunk, sizeof(chunk), &count, nullptr))
                return TextFileContent::failed(TextFileError::Unreadable, SystemError::last());
            if (count == 0)
                break;
            // A file that grows while it is read is held to the same limit.
            if (content.text.size() + count > limit)
                return TextFileContent::beyond(limit);
            content.text.append(chunk, count);
        }
    } catch (const std::bad_alloc&) {
        return TextFileContent::beyond(limit);
    } catch (const std::length_error&) {
        return TextFileContent::beyond(limit);
    }
    return content;
}

}  // namespace platform
