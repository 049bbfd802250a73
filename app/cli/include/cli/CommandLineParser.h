#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliOptions.h"

namespace cli {

// Outcome of reading the command line: options to run with, or text to print
// and the exit status to leave with (help: 0 on standard output; a usage
// error: 2 with a one-line reason on standard error).
struct ParseOutcome {
    std::optional<CliOptions> options;
    std::string helpText;
    std::string errorText;
    int exitStatus = 0;
};

class CommandLineParser {
  public:
    static ParseOutcome parse(const std::vector<std::string>& arguments);

    // Addresses and sizes: decimal, or hexadecimal with 0x; at most 32 bits.
    static std::optional<std::uint32_t> parseNumber(std::string_view text);
};

}  // namespace cli
