#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An argument written so that this system's shell, or on Windows the
// program's own command-line parser, gives it back unchanged.
std::string quotedArgument(std::string_view argument);
// A whole command line of quoted arguments separated by blanks.
std::string commandLine(const std::vector<std::string>& arguments);

// The two rules, for tests on either system. POSIX shells: as it is when it
// holds only characters without meaning to the shell, else in single quotes
// (a single quote inside becomes '\''). Windows (CommandLineToArgvW): as it
// is without blanks, tabs and double quotes, else in double quotes, with
// backslashes doubled where a quote follows them.
std::string shellQuoted(std::string_view argument);
std::string windowsQuoted(std::string_view argument);

}  // namespace platform
