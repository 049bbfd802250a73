#include "platform/CommandLine.h"

namespace platform {

namespace {

bool plainForShell(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-+=./:,@%").find(c) != std::string_view::npos ||
           static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::string shellQuoted(std::string_view argument) {
    bool plain = !argument.empty();
    for (const char c : argument) {
        plain = plain && plainForShell(c);
    }
    if (plain) {
        return std::string(argument);
    }
    std::string quoted = "'";
    for (const char c : argument) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string windowsQuoted(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
        return std::string(argument);
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each stands for half of itself.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote follows: the backslashes before it are doubled.
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string quotedArgument(std::string_view argument) {
#ifdef _WIN32
    return windowsQuoted(argument);
#else
    return shellQuoted(argument);
#endif
}

std::string commandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        line += (line.empty() ? "" : " ") + quotedArgument(argument);
    }
    return line;
}

}  // namespace platform
