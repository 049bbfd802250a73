#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <cerrno>
#include <utility>

#include "platform/Paths.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

// Errno-style codes for the loader's failures, which have no errno of their own.
constexpr int kNotFound = ENOENT;
constexpr int kNotLoadable = ENOEXEC;
constexpr int kExportMissing = ENOSYS;
constexpr int kBadName = EINVAL;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lastLoaderText() {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : std::string();
}

std::string loadedFilePath(void* handle, const std::string& fallback) {
    struct link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        map->l_name[0] != '\0') {
        return std::string(map->l_name);
    }
    return fallback;
}

}  // namespace

std::string DynamicLibrary::systemFileName(std::string_view windowsName) {
    std::string base;
    base.reserve(windowsName.size() + 6);
    for (char c : windowsName)
        base.push_back(lower(c));
    constexpr std::string_view kWindowsSuffix = ".dll";
    if (base.size() > kWindowsSuffix.size() && base.ends_with(kWindowsSuffix)) {
        base.resize(base.size() - kWindowsSuffix.size());
    }
    if (!base.starts_with("lib"))
        base.insert(0, "lib");
    base.append(".so");
    return base;
}

namespace {

// The loader's own text where it has one, the system's text for code otherwise.
SystemError loaderError(int code, std::string text) {
    return text.empty() ? SystemError::fromCode(code) : SystemError(code, std::move(text));
}

}  // namespace

Result<void> DynamicLibrary::load(std::string_view windowsName, const std::string& programDirectory) {
    unload();
    // A name with a directory part would bypass the search order.
    if (windowsName.empty() || windowsName.find('/') != std::string_view::npos ||
        windowsName.find('\\') != std::string_view::npos) {
        return SystemError::fromCode(kBadName);
    }
    const std::string soName = systemFileName(windowsName);

    if (!programDirectory.empty()) {
        std::string besideProgram = joinPath(programDirectory, soName);
        if (fileKind(besideProgram) == FileKind::Other) {
            ::dlerror();
            handle_ = ::dlopen(besideProgram.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle_ == nullptr) {
                // The file is there but is no loadable library: say so rather
                // than fall back to some other copy.
                return loaderError(kNotLoadable, lastLoaderText());
            }
            path_ = loadedFilePath(handle_, besideProgram);
            return {};
        }
    }

    // A bare name (no slash) makes the loader use its standard search, which
    // does not include the current directory.
    ::dlerror();
    handle_ = ::dlopen(soName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        std::string text = lastLoaderText();
        bool notFound = text.empty() || text.find("No such file") != std::string::npos;
        return loaderError(notFound ? kNotFound : kNotLoadable, std::move(text));
    }
    path_ = loadedFilePath(handle_, soName);
    if (!isAbsolutePath(path_)) {
        // Found through a relative search entry (an empty or "." element of
        // LD_LIBRARY_PATH), that is in the current directory: refused.
        ::dlclose(std::exchange(handle_, nullptr));
        path_.clear();
        return loaderError(kNotFound, soName + ": found only relative to the current directory, not loaded");
    }
    return {};
}

Result<void*> DynamicLibrary::symbol(const char* exportName) const {
    if (handle_ == nullptr) {
        return SystemError::fromCode(kNotFound);
    }
    ::dlerror();
    void* address = ::dlsym(handle_, exportName);
    if (address == nullptr) {
        std::string text = lastLoaderText();
        return loaderError(kExportMissing,
                           text.empty() ? std::string("undefined symbol: ") + exportName : text);
    }
    return address;
}

Result<void> DynamicLibrary::unload() {
    if (handle_ == nullptr)
        return {};
    void* handle = std::exchange(handle_, nullptr);
    path_.clear();
    ::dlerror();
    if (::dlclose(handle) != 0) {
        return loaderError(kNotLoadable, lastLoaderText());
    }
    return {};
}

}  // namespace platform
