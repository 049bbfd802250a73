#pragma once

#include <cstdio>
#include <string>

namespace platform {

// std::fopen for a UTF-8 path: on Windows the name goes to the system as
// UTF-16, so folders with any characters work. Null on failure.
std::FILE* openFile(const std::string& path, const char* mode);

}  // namespace platform
