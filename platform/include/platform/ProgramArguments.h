#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments after its own name, as UTF-8 text. On Windows they
// are taken from the wide command line (argv holds them in the ANSI code
// page, which loses every character outside it); elsewhere argv as it is.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace platform
