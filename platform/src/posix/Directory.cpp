#include "platform/Directory.h"

#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

}  // namespace

Result<std::string> Directory::resolve(const std::string& path) {
    if (path.empty()) {
        return SystemError::notFound();
    }
    std::unique_ptr<char, FreeDeleter> full(realpath(path.c_str(), nullptr));
    struct stat status {};
    int code = 0;
    if (!full) {
        code = errno;
    } else if (stat(full.get(), &status) != 0) {
        code = errno;
    } else if (!S_ISDIR(status.st_mode)) {
        code = ENOTDIR;
    } else if (access(full.get(), X_OK) != 0) {
        code = errno;
    } else {
        return std::string(full.get());
    }
    return SystemError::fromCode(code != 0 ? code : EIO);
}

std::vector<std::string> Directory::listFiles(const std::string& directory, std::string_view pattern) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.empty() ? "." : directory.c_str()));
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !matchesPattern(name, pattern))
            continue;
        struct stat status {};
        if (stat(join(directory, name).c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        names.push_back(std::move(name));
    }
    sortByName(names);
    return names;
}

Result<void> Directory::create(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && fileKind(path) == FileKind::Directory)) {
        return {};
    }
    return SystemError::last();
}

}  // namespace platform
