#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/VersionValue.h"

// Parses the input as a version text; the result must format to what it
// holds and compare consistently with itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    data::VersionValue value = data::VersionValue::fromText(text);
    data::VersionValue copy = value;
    copy.format();
    if (copy.text() != value.text())
        __builtin_trap();
    if (value.text().size() > 12)
        __builtin_trap();
    if (value.suffix() > 15)
        __builtin_trap();
    if (value.compare(value) != 0)
        __builtin_trap();
    if (size >= 2) {
        data::VersionValue word =
            data::VersionValue::fromWord(static_cast<std::uint16_t>(data[0] << 8 | data[1]));
        int forward = word.compare(value);
        int backward = value.compare(word);
        if (forward < -1 || forward > 1 || backward < -1 || backward > 1)
            __builtin_trap();
    }
    return 0;
}
