#pragma once

#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// Creates a file that must not exist yet and writes content into it. An
// existing file -- also one that appears between a check and this call, and a
// link, even one that leads nowhere -- is never opened, let alone
// overwritten: that failure's error answers alreadyExists(). A file that was
// created but could not be written whole is removed again.
Result<void> writeNewFile(const std::string& path, std::string_view content);

}  // namespace platform
