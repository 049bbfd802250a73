#pragma once

#include <string>

#include "cli/CliOptions.h"
#include "cli/ReportFormatter.h"

namespace cli {

// Loads an S-record file into a window the way the update engine does before
// it writes, and reports what the engine would send.
class ImageReader {
  public:
    static ImageSummary summarize(const std::string& path, std::uint32_t base, std::uint32_t window,
                                  bool clip);
};

}  // namespace cli
