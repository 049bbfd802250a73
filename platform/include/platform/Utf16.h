#pragma once

#include <string>
#include <string_view>

namespace platform {

// Text is UTF-8 inside the program and UTF-16 at the Windows boundary (the
// W functions of the system and of its window and dialog functions).
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

}  // namespace platform
