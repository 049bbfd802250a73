#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Results of one unit of an update, besides the engine's own result names
// ("TimedOut", "Failed", "Cancelled", ...) for a read or write that failed.
namespace update_result {
inline constexpr std::string_view kOk = "Ok";              // written, and every image verified
inline constexpr std::string_view kUpToDate = "UpToDate";  // nothing to write
inline constexpr std::string_view kPlanned = "Planned";    // a dry run would write it
inline constexpr std::string_view kNotVerified =
    "NotVerified";                                       // written, yet an image reports another version
inline constexpr std::string_view kSkipped = "Skipped";  // not reached: the update was cancelled
inline constexpr std::string_view kCancelled = "Cancelled";
inline constexpr std::string_view kFailed = "Failed";
}  // namespace update_result

// One image row of a unit in an update: its versions before and after, and
// the file written.
struct UpdateImage {
    std::string cpu;
    std::string before;  // ROM version when the plan was made ("" when not read)
    std::string after;   // ROM version read after the write ("" when not read again)
    std::string file;    // file version
    std::string fileName;
    std::string filePath;
    std::uint16_t checksum = 0;  // image checksum as the engine sends it
    std::uint64_t bytes = 0;     // firmware bytes in the image
    std::string imageError;      // why the file did not load; empty when it did
    bool planned = false;        // one of the images the write takes
    bool written = false;        // the engine finished writing it
    bool verified = false;       // it reports its file version after the write
};

// One unit of an update.
struct UpdateUnit {
    std::string name;
    std::string before;
    std::string after;
    std::string file;
    bool planned = false;
    std::string result;  // update_result names or the engine's result name
    bool verified = false;
    std::uint64_t bytes = 0;  // bytes of the images written
    double seconds = 0;       // write and verification
    int retries = 0;
    std::string status;  // last status text of its write, or why it was not written
    std::vector<UpdateImage> rows;
};

// The whole update: the overall result is "Ok" (every planned unit written
// and verified, or nothing to do), "Cancelled" or "Failed".
struct UpdateReport {
    bool dryRun = false;
    std::string result;
    std::vector<UpdateUnit> units;

    int plannedCount() const {
        int count = 0;
        for (const auto& unit : units) {
            count += unit.planned ? 1 : 0;
        }
        return count;
    }
};

}  // namespace cli
