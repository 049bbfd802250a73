#include "data/CommaValueReader.h"

#include "platform/IniFile.h"

namespace data {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

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
    while (!value.empty() && isBlank(value.back()))
        value.remove_suffix(1);
    rest_.remove_prefix(comma + 1);
    while (!rest_.empty() && isBlank(rest_.front()))
        rest_.remove_prefix(1);
    return value;
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
