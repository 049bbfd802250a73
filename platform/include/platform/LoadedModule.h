#pragma once

#include <string>

namespace platform {

// Full path of the loaded program or shared library that holds the given
// address (a function of that module); empty when the loader cannot tell.
std::string modulePathContaining(const void* address);

}  // namespace platform
