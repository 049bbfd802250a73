#pragma once

#include <string_view>

namespace platform {

// The small text rules shared by the settings reader, the unit list and the
// command line: blanks are the C locale's white space, case is folded for
// ASCII letters only (names in files are ASCII).

bool isBlank(char c);
std::string_view trimLeadingBlanks(std::string_view text);
std::string_view trimTrailingBlanks(std::string_view text);
std::string_view trimBlanks(std::string_view text);

char lowerAscii(char c);
bool equalsIgnoringCase(std::string_view left, std::string_view right);

}  // namespace platform
