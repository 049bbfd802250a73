#include "platform/SystemError.h"

#include <windows.h>

#include "WideText.h"

namespace platform {

SystemError SystemError::last() {
    return fromCode(static_cast<int>(::GetLastError()));
}

SystemError SystemError::notFound() {
    return fromCode(ERROR_FILE_NOT_FOUND);
}

bool SystemError::notSupportedByDevice() const {
    return code_ == ERROR_NOT_SUPPORTED || code_ == ERROR_INVALID_FUNCTION ||
           code_ == ERROR_CALL_NOT_IMPLEMENTED || code_ == ERROR_INVALID_PARAMETER;
}

bool SystemError::isNotFound() const {
    return code_ == ERROR_FILE_NOT_FOUND || code_ == ERROR_PATH_NOT_FOUND || code_ == ERROR_MOD_NOT_FOUND ||
           code_ == ERROR_BAD_NETPATH || code_ == ERROR_INVALID_NAME;
}

bool SystemError::alreadyExists() const {
    return code_ == ERROR_FILE_EXISTS || code_ == ERROR_ALREADY_EXISTS;
}

std::string systemErrorText(int code) {
    wchar_t* buffer = nullptr;
    // Language-neutral, the user's default sub-language.
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return "Unknown error " + std::to_string(code);
    std::wstring text(buffer, length);
    ::LocalFree(buffer);
    // The system's texts end with a line break; the caller decides about line ends.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return narrow(text);
}

}  // namespace platform
