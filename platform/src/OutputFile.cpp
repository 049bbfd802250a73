#include "platform/OutputFile.h"

namespace platform {

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() = default;

void OutputFile::close() {
    handle_.reset();
}

}  // namespace platform
