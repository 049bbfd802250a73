#pragma once

#include <cstddef>
#include <string>
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

// Values quoted in messages (paths, names, settings) are cut to a length a
// reader takes in at a glance; a longer value keeps its start and says how
// long it was: "/very/long/pa... (10000 characters)". A cut never splits a
// UTF-8 sequence.
inline constexpr std::size_t kMessageValueLimit = 80;
std::string shortenedForMessage(std::string_view value, std::size_t limit = kMessageValueLimit);

}  // namespace platform
