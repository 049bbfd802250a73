#include "platform/PortDiscovery.h"

#include <algorithm>

#include "platform/NetworkPortName.h"
#include "platform/Paths.h"

namespace platform {
namespace {

constexpr const char* kExtraPortsVariable = "FLASHKIT_PORTS";
constexpr const char* kExtraPortsOnlyVariable = "FLASHKIT_PORTS_ONLY";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

PortDiscoveryOptions PortDiscoveryOptions::systemDefaults() {
    PortDiscoveryOptions options;
    options.extraPorts = environmentValue(kExtraPortsVariable).value_or(std::string());
    const std::string onlyExtra = environmentValue(kExtraPortsOnlyVariable).value_or(std::string());
    options.systemPorts = onlyExtra.empty() || onlyExtra == "0";
    return options;
}

bool naturalLess(std::string_view left, std::string_view right) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (isDigit(left[i]) && isDigit(right[j])) {
            std::size_t leftEnd = i;
            std::size_t rightEnd = j;
            while (leftEnd < left.size() && isDigit(left[leftEnd]))
                ++leftEnd;
            while (rightEnd < right.size() && isDigit(right[rightEnd]))
                ++rightEnd;
            // Compare the runs without leading zeros: first by length, then digit by digit.
            std::string_view leftRun = left.substr(i, leftEnd - i);
            std::string_view rightRun = right.substr(j, rightEnd - j);
            while (leftRun.size() > 1 && leftRun.front() == '0')
                leftRun.remove_prefix(1);
            while (rightRun.size() > 1 && rightRun.front() == '0')
                rightRun.remove_prefix(1);
            if (leftRun.size() != rightRun.size())
                return leftRun.size() < rightRun.size();
            if (leftRun != rightRun)
                return leftRun < rightRun;
            i = leftEnd;
            j = rightEnd;
            continue;
        }
        if (left[i] != right[j])
            return left[i] < right[j];
        ++i;
        ++j;
    }
    if ((left.size() - i) != (right.size() - j))
        return (left.size() - i) < (right.size() - j);
    return left < right;
}

void appendExtraPorts(PortTable& table, std::string_view extraPorts) {
    for (std::string& port : splitPortNames(extraPorts, kExtraPortsSeparator)) {
        if (std::find(table.ports.begin(), table.ports.end(), port) == table.ports.end()) {
            table.ports.push_back(std::move(port));
        }
    }
}

}  // namespace platform
