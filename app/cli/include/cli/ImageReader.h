#pragma once

#include <cstdint>
#include <string>

#include "cli/CliOptions.h"
#include "cli/ReportFormatter.h"
#include "data/UnitKind.h"

namespace data {
class ImageRow;
}

namespace cli {

// Loads an S-record file into a window the way the update engine does before
// it writes, and reports what the engine would send.
class ImageReader {
  public:
    static ImageSummary summarize(const std::string& path, std::uint32_t base, std::uint32_t window,
                                  bool clip);

    // The image of a row as the engine loads it for a unit of this type, with
    // the checksum its progress window shows: type-4 units and the direct
    // path load the 1 MB window at 0x300000 and clip; the others
    // load the row's own 512 KB window strictly.
    static ImageSummary summarizeForUnit(data::UnitKind kind, const data::ImageRow& row);

    // Bytes of firmware the image holds: lowest to highest address, both
    // included; 0 for an image that did not load or holds nothing.
    static std::uint64_t firmwareBytes(const ImageSummary& image);
};

}  // namespace cli
