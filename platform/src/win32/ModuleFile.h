#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Full path of a loaded module's file (the program itself for nullptr).
std::string moduleFilePath(HMODULE module);

}  // namespace platform
