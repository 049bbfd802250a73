#pragma once

#include <string>

namespace platform {

// What a failed platform call reports: the system's own error code (errno on
// POSIX, GetLastError on Windows) and the system's text for it. Code above the
// platform layer asks this object questions instead of comparing codes, so it
// reads the same on every system.
class SystemError {
  public:
    // No error.
    SystemError() = default;
    // A code whose text is the system's own, looked up when asked for: a
    // failure is recorded without allocating (the transfer threads record
    // them on their hot path).
    explicit SystemError(int code) : code_(code) {}
    // A code with a text of the caller's (a loader's more precise message).
    SystemError(int code, std::string text) : code_(code), text_(std::move(text)) {}
    static SystemError fromCode(int code) { return SystemError(code); }
    // The calling thread's last error as the system left it.
    static SystemError last();
    // The code that stands for "no such file or device".
    static SystemError notFound();

    int code() const { return code_; }
    // The message text, without a line end.
    std::string text() const;
    bool failed() const { return code_ != 0; }
    // The device does not implement the request (a pseudo-terminal asked for
    // modem lines or line error counters, an adapter without the feature).
    bool notSupportedByDevice() const;
    // Nothing of that name exists (file, device, library).
    bool isNotFound() const;
    // Something of that name exists already (a file that was to be new).
    bool alreadyExists() const;

  private:
    int code_ = 0;
    std::string text_;
};

// The system's own text for an error code, as shown to the user next to the
// code itself.
std::string systemErrorText(int code);

}  // namespace platform
