#pragma once

#include <string>

namespace core {

// printf-style formatting into a string of the needed length, for the fixed
// message texts that carry a code or a path.
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace core
