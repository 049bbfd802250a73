#pragma once

#include <optional>
#include <string>
#include <vector>

namespace data {
class CDIAGDoc;
class UnitRecord;
}  // namespace data

namespace view {

// What one view update redraws. The front end applies the parts that are
// present in the order of the fields.
struct MainViewUpdate {
    // The list was reloaded: the selector's entries, in list order; entry 0
    // is selected (no entry when the list is empty). The document's current
    // unit is not changed by this.
    std::optional<std::vector<std::string>> unitNames;

    // The current unit changed: the version bar's two value cells (each
    // rewritten only when its text differs without regard to case), then the
    // grid filled from unit (none: an empty grid).
    struct UnitShown {
        std::string romValue;
        std::string fileValue;
        data::UnitRecord* unit = nullptr;
    };
    std::optional<UnitShown> unit;

    // The writing port changed: all four version bar cells shown (Host I/F)
    // or hidden (Card Direct), then the panel toggled (MainViewLogic::togglePanel).
    std::optional<bool> versionBarShown;
};

// The enabled states and the grid mode after a panel toggle.
struct PanelState {
    bool singleSelect = false;
    bool clearEnabled = true;
    bool allEnabled = true;
    bool getVersionEnabled = true;
};

// The main view without its controls: it reads and clears the document's
// change flags, starts the two operations and watches for their end. The
// view never talks to the units itself; it only redraws from the document's
// records when the document says that they changed.
class MainViewLogic {
  public:
    static constexpr int kListMode = 1;
    static constexpr int kPollTimerId = 100;
    static constexpr int kPollPeriodMs = 100;

    static constexpr const char* kGetVersionText = "Get Ver.";
    static constexpr const char* kWriteText = "Write";
    static constexpr const char* kAllText = "ALL";
    static constexpr const char* kClearText = "CLEAR";

    explicit MainViewLogic(data::CDIAGDoc& document) : document_(document) {}

    // The advanced flag of the settings: non-zero chooses the list layout.
    void setAdvanced(int advanced) { viewMode_ = advanced != 0 ? kListMode : 0; }
    int viewMode() const { return viewMode_; }

    // A view update: list reloaded, current unit changed, writing port
    // changed, each flag read and cleared in that order.
    MainViewUpdate takeUpdate();

    // The panel toggle reads whether CLEAR is enabled now. From the creation
    // state (all enabled, several rows at a time) one toggle gives the Card
    // Direct state: one row at a time and only Write usable.
    static PanelState togglePanel(bool clearEnabled);

    // The selector's selection was confirmed: the document selects that unit
    // (an index it refuses leaves the current unit).
    void unitConfirmed(int index);

    // Get Ver.: the front end disables its button, then asks this. Started:
    // start the poll timer. Not started (no unit, or the engine refused):
    // no end will come, so the button gets getVersionEnabled back.
    struct GetVersionStart {
        bool started = false;
        bool getVersionEnabled = false;
    };
    GetVersionStart startGetVersion();
    // Write: true when a write of the current unit started (start the poll
    // timer); with no row selected for writing nothing happens.
    bool startWrite();

    // One tick of the poll timer. Once the engine's done event is seen the
    // grid and the version bar are redrawn from the records (a view update
    // arrives) and the answer says: stop the timer and set Get Ver. enabled
    // when enableGetVersion (it stays disabled under Card Direct).
    struct PollAnswer {
        bool ended = false;
        bool enableGetVersion = false;
    };
    PollAnswer poll();

  private:
    data::CDIAGDoc& document_;
    int viewMode_ = 0;
};

}  // namespace view
