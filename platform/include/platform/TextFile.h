#pragma once

#include <cstddef>
#include <string>

#include "platform/SystemError.h"

namespace platform {

// Why a text file could not be read.
enum class TextFileError {
    None,
    Missing,     // no such file
    NotRegular,  // a folder, FIFO, device or socket in place of the file
    TooLarge,    // larger than the reader's limit
    Unreadable,  // the system refused to open or read it
};

struct TextFileContent {
    std::string text;
    TextFileError error = TextFileError::None;
    SystemError systemError;  // the system's reason for Unreadable
    std::size_t limit = 0;    // the limit a TooLarge file went past
    bool ok() const { return error == TextFileError::None; }
    // A short reason for the user ("not a regular file", "larger than 64 MB", ...).
    std::string reason() const;

    static TextFileContent failed(TextFileError error, SystemError systemError = {});
    static TextFileContent beyond(std::size_t limit);
};

// The one way every reader of settings, unit lists and images takes a file
// in: only a regular file is read; nothing else is even opened, so a FIFO
// cannot block, a device is never touched and a folder never fails with an
// exception; a file above the limit is refused before it fills the memory.
// Nothing is thrown.
class TextFile {
  public:
    // Far above any real file: the largest firmware image, as S-records,
    // is a few megabytes.
    static constexpr std::size_t kDefaultLimit = std::size_t{64} << 20;

    static TextFileContent read(const std::string& path, std::size_t limit = kDefaultLimit);
    // What read would say of the path as far as the file system tells
    // without opening it (kind and existence; the text stays empty).
    static TextFileContent check(const std::string& path);
};

}  // namespace platform
