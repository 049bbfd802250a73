#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace core {

// What the desktop program's command line asks for before any window opens:
// a help or version text on standard output (no display needed), or a
// normal start, where the toolkit takes the arguments.
class DesktopCommandLine {
  public:
    enum class Request { Start, Help, Version };

    // arguments are the program's, its name first. Help and version are
    // taken only as the one argument; anything else is the toolkit's.
    static Request request(const std::vector<std::string>& arguments);

    // The usage, the argument and the options, laid out as command-line
    // programs print them (the manual page is made from this text).
    static std::string helpText();

    // Answers help and version on out and gives the exit status; nothing
    // when the program is to start. The version lines are the About box's
    // and the libraries' the program would load (status 1 when one could
    // not be read).
    static std::optional<int> answer(const std::vector<std::string>& arguments, std::ostream& out);
};

}  // namespace core
