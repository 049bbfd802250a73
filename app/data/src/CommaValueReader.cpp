#include "data/CommaValueReader.h"

#include "platform/IniFile.h"
#include "platform/PlainText.h"

namespace data {

std::optional<std::string_view> CommaValueReader::next() {
    if (rest_.empty())
        return std::nullopt;
    std::size_t comma = rest_.find(',');
    if (comma == std::string_view::npos) {
        std::string_view value = rest_;
        rest_ = {};
        return value;
    }
    std::string_view value = rest_.substr(0, comma);
    rest_ = platform::trimLeadingBlanks(rest_.substr(comma + 1));
    return platform::trimTrailingBlanks(value);
}

std::optional<std::string> CommaValueReader::nextText() {
    std::optional<std::string_view> value = next();
    if (!value || value->empty())
        return std::nullopt;
    return std::string(*value);
}

std::optional<std::int32_t> CommaValueReader::nextInteger() {
    std::optional<std::string_view> value = next();
    if (!value || value->empty())
        return std::nullopt;
    return platform::IniFile::parseLeadingInteger(*value);
}

}  // namespace data
