#include "cli/ImageReader.h"

#include "data/FlashImage.h"

namespace cli {

ImageSummary ImageReader::summarize(const std::string& path, std::uint32_t base, std::uint32_t window,
                                    bool clip) {
    ImageSummary summary;
    summary.clipped = clip;
    data::FlashImage image;
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

}  // namespace cli
