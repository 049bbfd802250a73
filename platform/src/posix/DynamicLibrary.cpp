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

bool DynamicLibrary::load(std::string_view windowsName, const std::string& programDirectory) {
    unload();
    error_ = {};
    // A name with a directory part would bypass the search order.
    if (windowsName.empty() || windowsName.find('/') != std::string_view::npos ||
        windowsName.find('\\') != std::string_view::npos) {
        setError(SystemError::fromCode(kBadName));
        return false;
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
                setError(loaderError(kNotLoadable, lastLoaderText()));
                return false;
            }
            path_ = loadedFilePath(handle_, besideProgram);
            return true;
        }
    }

    // A bare name (no slash) makes the loader use its standard search, which
    // does not include the current directory.
    ::dlerror();
    handle_ = ::dlopen(soName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        std::string text = lastLoaderText();
        bool notFound = text.empty() || text.find("No such file") != std::string::npos;
        setError(loaderError(notFound ? kNotFound : kNotLoadable, std::move(text)));
        return false;
    }
    path_ = loadedFilePath(handle_, soName);
    if (!isAbsolutePath(path_)) {
        // Found through a relative search entry (an empty or "." element of
        // LD_LIBRARY_PATH), that is in the current directory: refused.
        ::dlclose(std::exchange(handle_, nullptr));
        path_.clear();
        setError(
            loaderError(kNotFound, soName + ": found only relative to the current directory, not loaded"));
        return false;
    }
    return true;
}

void* DynamicLibrary::symbol(const char* exportName) const {
    if (handle_ == nullptr) {
        setError(SystemError::fromCode(kNotFound));
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle_, exportName);
    if (address == nullptr) {
        std::string text = lastLoaderText();
        setError(loaderError(kExportMissing,
                             text.empty() ? std::string("undefined symbol: ") + exportName : text));
    }
    return address;
}

bool DynamicLibrary::unload() {
    if (handle_ == nullptr)
        return true;
    void* handle = std::exchange(handle_, nullptr);
    path_.clear();
    ::dlerror();
    if (::dlclose(handle) != 0) {
        setError(loaderError(kNotLoadable, lastLoaderText()));
        return false;
    }
    return true;
}

}  // namespace platform
