#pragma once

#include <string>
#include <string_view>

#include "platform/SystemError.h"

namespace platform {

enum class NewFileResult { Written, AlreadyExists, Failed };

// Creates a file that must not exist yet and writes content into it. An
// existing file -- also one that appears between a check and this call, and a
// link, even one that leads nowhere -- is never opened, let alone
// overwritten. On failure the system's error is left in error (when given);
// a file that was created but could not be written whole is removed again.
NewFileResult writeNewFile(const std::string& path, std::string_view content, SystemError* error = nullptr);

}  // namespace platform
