#include "platform/testing/ProcessResources.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace platform {
namespace {

std::size_t entriesOf(const char* folder) {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        ++count;
    }
    return count;
}

}  // namespace

ProcessResources ProcessResources::now() {
    ProcessResources resources;
    // The listing of /proc/self/fd holds the descriptor of the listing itself.
    const std::size_t listed = entriesOf("/proc/self/fd");
    resources.openFiles = listed > 0 ? listed - 1 : 0;
    resources.threads = entriesOf("/proc/self/task");
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            resources.residentBytes = std::stoull(line.substr(6)) * 1024;  // given in kB
        }
    }
    return resources;
}

}  // namespace platform
