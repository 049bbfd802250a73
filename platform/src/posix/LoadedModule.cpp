#include "platform/LoadedModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace platform {

std::string modulePathContaining(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) != nullptr) {
        return resolved;
    }
    return info.dli_fname;
}

}  // namespace platform
