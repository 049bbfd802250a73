#pragma once

#include <memory>

#include "view/MainViewLogic.h"
#include "winui/GdiObject.h"
#include "winui/UnitGrid.h"
#include "winui/VersionBar.h"
#include "winui/Window.h"

namespace core {
struct FontSetting;
}
namespace data {
class CDIAGDoc;
}

namespace winui {

// The main view over the document: the unit selector, the version bar, the
// image grid and the Get Ver., Write, ALL and CLEAR buttons. What they show,
// where they go and what the commands do is decided by the shared view
// logic; this class creates, places and updates the controls.
class CDIAGView : public Window {
  public:
    static constexpr const wchar_t* kClassName = L"FlashkitView";
    enum ControlId { kSelectorId = 1000, kGridId, kGetVersionId, kWriteId, kAllId, kClearId };

    CDIAGView(data::CDIAGDoc& document, HWND frame, const view::Rect& rect);

    // The advanced flag of the settings: non-zero chooses the list layout.
    void setAdvanced(int advanced) { logic_.setAdvanced(advanced); }
    int viewMode() const { return logic_.viewMode(); }
    // The view font from the settings' face, size, bold and italic.
    void setFontSetting(const core::FontSetting& setting);
    // Gives every child control the font, lays them out again and destroys
    // the previous font. A null font leaves the controls the system font.
    void applyViewFont(FontHandle font);
    HFONT viewFont() const { return viewFont_.get(); }
    // "Fonts...": the system font chooser, started from the current font.
    void chooseFont();

    // Redraws what the document's change flags say has changed.
    void refresh();
    // One tick of the poll timer.
    void pollOperation();
    bool polling() const { return polling_; }

    // The commands of the view.
    void onUnitConfirmed(int index);
    void onGetVersion();
    void onWrite();
    void onCheckAll();
    void onClearAll();

    void layOut();

    HWND unitSelector() const { return selector_; }
    UnitGrid& grid() { return *grid_; }
    VersionBar& versionBar() { return *versionBar_; }
    HWND topRule() const { return topRule_; }
    HWND getVersionButton() const { return getVersion_; }
    HWND writeButton() const { return write_; }
    HWND allButton() const { return all_; }
    HWND clearButton() const { return clear_; }

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void togglePanel();
    void command(int id, int notification);

    view::MainViewLogic logic_;
    FontHandle viewFont_;
    bool polling_ = false;
    HWND topRule_ = nullptr;
    HWND selector_ = nullptr;
    std::unique_ptr<VersionBar> versionBar_;
    std::unique_ptr<UnitGrid> grid_;
    HWND getVersion_ = nullptr;
    HWND write_ = nullptr;
    HWND all_ = nullptr;
    HWND clear_ = nullptr;
};

}  // namespace winui
