#include "core/DesktopCommandLine.h"

#include "core/ComponentVersions.h"
#include "platform/Paths.h"

namespace core {

DesktopCommandLine::Request DesktopCommandLine::request(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) {
        return Request::Start;
    }
    if (arguments[1] == "--help" || arguments[1] == "-h") {
        return Request::Help;
    }
    if (arguments[1] == "--version") {
        return Request::Version;
    }
    return Request::Start;
}

std::string DesktopCommandLine::helpText() {
    return "Reads the firmware versions of the units of a QX7A console and rewrites their flash,\n"
           "in a window: MODE SELECT at start-up, then Get Ver. and Write per unit.\n"
           "Usage: flashkit [UNIT_LIST]\n"
           "\n"
           "Positionals:\n"
           "  UNIT_LIST                   unit list opened at start-up; the default list of the settings\n"
           "                              (DATA/DEFAULT) is opened after it and takes its place when it\n"
           "                              names at least one unit\n"
           "\n"
           "Options:\n"
           "  -h,--help                   print this help and exit\n"
           "  --version                   print the program's and its libraries' versions and exit\n";
}

std::optional<int> DesktopCommandLine::answer(const std::vector<std::string>& arguments, std::ostream& out) {
    switch (request(arguments)) {
        case Request::Help:
            out << helpText() << std::flush;
            return 0;
        case Request::Version: {
            bool problems = false;
            for (const std::string& line :
                 ComponentVersions::versionLines(platform::executableDirectory(), problems)) {
                out << line << '\n';
            }
            out << std::flush;
            return problems ? 1 : 0;
        }
        case Request::Start:
            break;
    }
    return std::nullopt;
}

}  // namespace core
