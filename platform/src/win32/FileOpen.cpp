#include "platform/FileOpen.h"

#include "WideText.h"

namespace platform {

std::FILE* openFile(const std::string& path, const char* mode) {
    return ::_wfopen(widen(path).c_str(), widen(mode).c_str());
}

}  // namespace platform
