#pragma once

#include <string_view>

#include "view/CaptionStyle.h"
#include "view/FontRequest.h"
#include "view/Rgb.h"
#include "winui/GdiObject.h"
#include "winui/SubclassedControl.h"

namespace winui {

// A static text with a font from the caption font table, its own text and
// background colours and an alignment; it answers the colour request its
// parent hands on (ControlColours). Created visible and centred in "Times
// New Roman" 12, in the system's window-text colour on the button face.
class CaptionStatic : public SubclassedControl {
  public:
    using Alignment = view::CaptionStyle::Alignment;

    CaptionStatic(std::string_view text, const view::Rect& rect, HWND parent, int id);

    void setCaptionFont(const view::FontRequest& request);
    int fontIndex() const { return fontIndex_; }
    // Repaints at once.
    void setTextColour(view::Rgb colour);
    void setBackgroundColour(view::Rgb colour);
    // Replaces the alignment bits of the window style when they change.
    void setAlignment(Alignment alignment);

    view::Rgb textColour() const { return textColour_; }
    view::Rgb backgroundColour() const { return backgroundColour_; }
    Alignment alignment() const;

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    int fontIndex_ = 0;
    view::Rgb textColour_;
    view::Rgb backgroundColour_;
    BrushHandle backBrush_;
};

}  // namespace winui
