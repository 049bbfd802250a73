#include "platform/TextFile.h"

namespace platform {

TextFileContent TextFileContent::failed(TextFileError error, SystemError systemError) {
    TextFileContent content;
    content.error = error;
    content.systemError = std::move(systemError);
    return content;
}

TextFileContent TextFileContent::beyond(std::size_t limit) {
    TextFileContent content = failed(TextFileError::TooLarge);
    content.limit = limit;
    return content;
}

std::string TextFileContent::reason() const {
    switch (error) {
        case TextFileError::None:
            return {};
        case TextFileError::Missing:
            return "no such file";
        case TextFileError::NotRegular:
            return "not a regular file";
        case TextFileError::TooLarge:
            return limit >= (std::size_t{1} << 20) ? "larger than " + std::to_string(limit >> 20) + " MB"
                                                   : "larger than " + std::to_string(limit) + " bytes";
        case TextFileError::Unreadable:
            break;
    }
    return systemError.failed() ? systemError.text() : "cannot be read";
}

}  // namespace platform
