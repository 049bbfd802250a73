#include "view/StatusWindowRefresh.h"

#include <cstdio>

#include "view/CellText.h"

namespace view {

namespace {

template <typename Value>
void set(Value& cell, const Value& wanted, StatusWindowRefresh::Change change,
         StatusWindowRefresh::Changes& changes) {
    if (cell != wanted) {
        cell = wanted;
        changes.mask |= change;
    }
}

}  // namespace

std::string StatusWindowRefresh::hexCell(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08XH", static_cast<unsigned>(value));
    return text;
}

void StatusWindowRefresh::setIgnoringCase(std::string& cell, const std::string& wanted, Change change,
                                          Changes& changes) {
    if (CellText::differsIgnoringCase(cell, wanted)) {
        cell = wanted;
        changes.mask |= change;
    }
}

StatusWindowRefresh::Changes StatusWindowRefresh::refresh(const StatusSnapshot& status, bool done) {
    Changes changes;
    setIgnoringCase(shown_.groupTitle, status.title, GroupTitle, changes);

    // The panes: empty without a title; with a title but without a file
    // name only the File Name cell (then empty too) is taken over.
    const bool withTitle = !status.title.empty();
    const bool withFile = withTitle && !status.fileName.empty();
    setIgnoringCase(shown_.fileName, withTitle ? status.fileName : std::string(), FileName, changes);
    setIgnoringCase(shown_.lowAddress, withFile ? hexCell(status.lowAddress) : std::string(), LowAddress,
                    changes);
    setIgnoringCase(shown_.highAddress, withFile ? hexCell(status.highAddress) : std::string(), HighAddress,
                    changes);
    setIgnoringCase(shown_.checksum, withFile ? hexCell(status.checksum) : std::string(), CheckSum, changes);

    set(shown_.statusColour, status.errorFlag ? kErrorColour : kNormalColour, StatusColour, changes);
    set(shown_.blinking, status.finishedFlag, Blinking, changes);
    if (CellText::differsExactly(shown_.statusText, status.statusText)) {
        shown_.statusText = status.statusText;
        changes.mask |= StatusText;
    }

    set(shown_.totalRange, status.overallTotal, TotalRange, changes);
    set(shown_.totalPos, status.overallPos, TotalPos, changes);
    set(shown_.currentRange, status.currentTotal, CurrentRange, changes);
    set(shown_.currentPos, status.currentPos, CurrentPos, changes);

    set(shown_.buttonEnabled, status.cancelEnabled, ButtonEnabled, changes);
    if (done) {
        set(shown_.buttonCaption, std::string(kOkCaption), ButtonCaption, changes);
    }
    return changes;
}

}  // namespace view
