#include "cli/ImageReader.h"

#include "data/FlashImage.h"
#include "data/ImageRow.h"

namespace cli {

ImageSummary ImageReader::summarize(const std::string& path, std::uint32_t base, std::uint32_t window,
                                    bool clip) {
    data::FlashImage image;
    ImageSummary summary;
    summary.clipped = clip;
    if (!image.allocate(window)) {
        summary.error = "Memory Allocation Error!";
        return summary;
    }
    const auto mode = clip ? data::FlashImage::LoadMode::Clipping : data::FlashImage::LoadMode::Strict;
    const data::ImageLoadResult result = image.load(path, base, mode);
    summary.error = result.errorText;
    summary.detail = result.detail;
    if (const auto& stored = image.storedRange()) {
        summary.lowest = stored->lowest;
        summary.highest = stored->highest;
    }
    summary.checksum = image.checksum();
    if (clip && image.size() > data::FlashImage::kBlockMaskOffset) {
        summary.blockMask = image.blockMask();
    }
    return summary;
}

ImageSummary ImageReader::summarizeForUnit(data::UnitKind kind, const data::ImageRow& row) {
    // Both load the 1 MB segmented window.
    if (kind == data::UnitKind::Direct || kind == data::UnitKind::Type4) {
        return summarize(row.filePath(), data::FlashImage::kSegmentedBaseAddress,
                         data::FlashImage::kSegmentedWindowSize, true);
    }
    return summarize(row.filePath(), row.topAddress(), data::FlashImage::kStandardWindowSize, false);
}

std::uint64_t ImageReader::firmwareBytes(const ImageSummary& image) {
    if (!image.error.empty() || !image.lowest || !image.highest || *image.highest < *image.lowest) {
        return 0;
    }
    return std::uint64_t{*image.highest} - *image.lowest + 1;
}

}  // namespace cli
