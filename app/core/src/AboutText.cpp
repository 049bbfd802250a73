#include "core/AboutText.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "data/CommaValueReader.h"

namespace core {
namespace {

// The first N comma-separated numbers of a version text; missing ones are 0.
template <std::size_t N>
std::array<std::int32_t, N> versionNumbers(std::string_view text) {
    std::array<std::int32_t, N> numbers{};
    data::CommaValueReader reader(text);
    for (std::int32_t& number : numbers)
        number = reader.nextInteger().value_or(0);
    return numbers;
}

}  // namespace

std::string AboutText::versionLine(std::string_view title, std::string_view productVersion,
                                   std::string_view fileVersion) {
    auto product = versionNumbers<2>(productVersion);
    auto file = versionNumbers<3>(fileVersion);
    std::string name(title);
    std::array<char, 64> numbers{};
    if (file[2] != 0) {
        std::snprintf(numbers.data(), numbers.size(), " Version %d.%02d", product[0], product[1]);
    } else {
        std::snprintf(numbers.data(), numbers.size(), " Version %d.%02d (REV : %d.%02d)", product[0],
                      product[1], file[0], file[1]);
    }
    return name + numbers.data();
}

std::string AboutText::legalNoticeLine(std::string_view legalCopyright) {
    return legalCopyright.empty() ? std::string(" ") : std::string(legalCopyright);
}

}  // namespace core
