#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace data {

// Reads a comma-separated list from the front, one value at a time: the value
// is the text before the first comma with trailing blanks removed, the rest
// is the text after it with leading blanks removed. Once nothing remains, no
// further value is read and the caller's field keeps its default.
class CommaValueReader {
  public:
    explicit CommaValueReader(std::string_view text) : rest_(text) {}
    // The reader only views its text; a temporary string would be gone
    // before the first value is read.
    explicit CommaValueReader(std::string&&) = delete;

    bool hasMore() const { return !rest_.empty(); }
    std::string_view rest() const { return rest_; }

    // The next value, or nothing when the list is used up.
    std::optional<std::string_view> next();
    // The next value as text; an empty value counts as missing.
    std::optional<std::string> nextText();
    // The next value as a leading decimal integer; missing or empty values
    // give nothing, so the caller keeps its default.
    std::optional<std::int32_t> nextInteger();

  private:
    std::string_view rest_;
};

}  // namespace data
