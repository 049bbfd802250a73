#pragma once

#include <cstdint>
#include <string>

#include "view/Rgb.h"
#include "view/StatusSnapshot.h"

namespace view {

// What the progress window's controls show, as far as its refresh writes
// them; the initial values are those the controls are created with.
struct StatusCells {
    std::string groupTitle;
    std::string fileName;
    std::string lowAddress;
    std::string highAddress;
    std::string checksum;
    Rgb statusColour = kBlack;
    bool blinking = false;
    std::string statusText;
    std::int32_t totalRange = 100;
    std::int32_t totalPos = 0;
    std::int32_t currentRange = 100;
    std::int32_t currentPos = 0;
    bool buttonEnabled = true;
    std::string buttonCaption = "Cancel";
};

// The refresh of the progress window on its 10 ms timer: it compares the
// engine's record with what the controls show and names the controls to
// write, so that an unchanged control is not touched. The front end writes
// the named ones in the order of the Change bits.
class StatusWindowRefresh {
  public:
    static constexpr int kTimerId = 200;
    static constexpr int kPeriodMs = 10;
    static constexpr int kButtonCommand = 100;
    static constexpr const char* kCancelCaption = "Cancel";
    static constexpr const char* kOkCaption = "OK";
    static constexpr Rgb kNormalColour = kBlack;
    static constexpr Rgb kErrorColour = kRed;
    static constexpr Rgb kCellBackground = kWhite;

    enum Change : unsigned {
        GroupTitle = 1u << 0,
        FileName = 1u << 1,
        LowAddress = 1u << 2,
        HighAddress = 1u << 3,
        CheckSum = 1u << 4,
        StatusColour = 1u << 5,
        Blinking = 1u << 6,  // start or stop blinking
        StatusText = 1u << 7,
        TotalRange = 1u << 8,  // the range becomes 0 .. totalRange
        TotalPos = 1u << 9,
        CurrentRange = 1u << 10,
        CurrentPos = 1u << 11,
        ButtonEnabled = 1u << 12,
        ButtonCaption = 1u << 13,
    };

    struct Changes {
        unsigned mask = 0;
        bool has(Change change) const { return (mask & change) != 0; }
    };

    // "%08XH": eight upper-case hexadecimal digits with leading zeros, then H.
    static std::string hexCell(std::uint32_t value);

    // One pass: done is whether the engine's done event is signalled (looked
    // at without consuming it). Afterwards shown() holds the new values.
    Changes refresh(const StatusSnapshot& status, bool done);
    const StatusCells& shown() const { return shown_; }

  private:
    void setIgnoringCase(std::string& cell, const std::string& wanted, Change change, Changes& changes);

    StatusCells shown_;
};

}  // namespace view
