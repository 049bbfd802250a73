#include "cli/FleetPorts.h"

namespace cli {

namespace {

constexpr char kCommentStart = '#';
constexpr std::string_view kDeviceFolder = "/dev/";
constexpr std::string_view kLogFolderPrefix = "COMMU-";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool keptInFolderName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

constexpr std::string_view kPortOption = "--port";
constexpr std::string_view kPortsFileOption = "--ports-file";
constexpr std::string_view kReportOption = "--report";

// What an argument is: one of the options the fleet rewrites, with its value
// in the same argument ("--port=COM5") or in the next one.
enum class Rewritten { None, Port, Report };
struct OptionAt {
    Rewritten kind = Rewritten::None;
    bool valueFollows = false;
};

OptionAt optionAt(const std::string& argument) {
    for (const auto& [name, kind] :
         {std::pair{kPortOption, Rewritten::Port}, std::pair{kPortsFileOption, Rewritten::Port},
          std::pair{kReportOption, Rewritten::Report}}) {
        if (argument == name) {
            return {kind, true};
        }
        if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
            argument[name.size()] == '=') {
            return {kind, false};
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> FleetPorts::withoutPortsAndReport(const std::vector<std::string>& arguments) {
    std::vector<std::string> kept;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const OptionAt option = optionAt(arguments[index]);
        if (option.kind == Rewritten::None) {
            kept.push_back(arguments[index]);
        } else if (option.valueFollows) {
            ++index;
        }
    }
    return kept;
}

std::vector<std::string> FleetPorts::retryArguments(const std::vector<std::string>& arguments,
                                                    const std::vector<std::string>& ports,
                                                    const std::optional<std::string>& reportFile) {
    std::vector<std::string> retry;
    bool portsPlaced = false;
    auto placePorts = [&] {
        if (!portsPlaced) {
            for (const std::string& port : ports) {
                retry.insert(retry.end(), {std::string(kPortOption), port});
            }
            portsPlaced = true;
        }
    };
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const OptionAt option = optionAt(arguments[index]);
        switch (option.kind) {
            case Rewritten::None:
                retry.push_back(arguments[index]);
                break;
            case Rewritten::Port:
                placePorts();
                break;
            case Rewritten::Report:
                if (reportFile) {
                    retry.insert(retry.end(), {std::string(kReportOption), *reportFile});
                }
                break;
        }
        if (option.kind != Rewritten::None && option.valueFollows) {
            ++index;
        }
    }
    if (!portsPlaced) {
        // The ports were not on the command line at all: they go first.
        std::vector<std::string> rest = std::move(retry);
        retry.clear();
        placePorts();
        retry.insert(retry.end(), rest.begin(), rest.end());
    }
    return retry;
}

std::string FleetPorts::retryReportFile(const std::string& reportFile,
                                        const std::function<bool(const std::string&)>& exists) {
    // The extension stays at the end: "visit.json" gives "visit-retry.json".
    const std::size_t folderEnd = reportFile.find_last_of("/\\");
    const std::size_t dot = reportFile.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > 0 && (folderEnd == std::string::npos || dot > folderEnd + 1);
    const std::string stem = hasExtension ? reportFile.substr(0, dot) : reportFile;
    const std::string extension = hasExtension ? reportFile.substr(dot) : std::string();
    std::string candidate = stem + "-retry" + extension;
    for (int number = 2; exists(candidate); ++number) {
        candidate = stem + "-retry" + std::to_string(number) + extension;
    }
    return candidate;
}

std::vector<std::string> FleetPorts::parse(std::string_view text) {
    std::vector<std::string> ports;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = trimmed(line.substr(0, line.find(kCommentStart)));
        if (!line.empty()) {
            ports.emplace_back(line);
        }
    }
    return ports;
}

std::optional<std::pair<std::size_t, std::size_t>> FleetPorts::firstDuplicate(
    const std::vector<std::string>& ports, const Identity& identity) {
    std::vector<std::string> identities;
    identities.reserve(ports.size());
    for (const std::string& port : ports) {
        identities.push_back(identity(port));
    }
    for (std::size_t later = 1; later < ports.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (ports[earlier] == ports[later] || identities[earlier] == identities[later]) {
                return std::make_pair(earlier, later);
            }
        }
    }
    return std::nullopt;
}

std::string FleetPorts::logFolderName(const std::string& port) {
    std::string_view name = port;
    if (name.substr(0, kDeviceFolder.size()) == kDeviceFolder) {
        name.remove_prefix(kDeviceFolder.size());
    }
    std::string folder(kLogFolderPrefix);
    for (const char c : name) {
        folder += keptInFolderName(c) ? c : '_';
    }
    return folder;
}

}  // namespace cli
