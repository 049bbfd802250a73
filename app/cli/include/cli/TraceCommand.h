#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/CliOptions.h"

namespace cli {

// flashkit-cli trace FILE: reads a communication log of the interface
// library and prints the operations it recorded, their units, steps,
// problems and results, as text or as one JSON object. The log is read in
// pieces, so a file of any size takes the same memory.
class TraceCommand {
  public:
    // Bytes read from the file at a time.
    static constexpr std::size_t kReadPiece = std::size_t{1} << 20;
    // Unreadable lines named one by one; the rest are counted.
    static constexpr std::uint64_t kUnreadableLinesShown = 20;

    TraceCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

    // The exit status: 0 when the log was read, 2 when it (or the settings or
    // the unit list named) could not be, or held no line of a log at all.
    int run();

    // Text as a terminal shows it: bytes that are not UTF-8 become U+FFFD,
    // control characters a question mark.
    static std::string readableText(std::string_view text);

  private:
    const CliOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace cli
