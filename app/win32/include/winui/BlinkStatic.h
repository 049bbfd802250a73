#pragma once

#include <string>
#include <string_view>

#include "view/BlinkPhase.h"
#include "view/Rgb.h"
#include "winui/SubclassedControl.h"

namespace winui {

// A static text whose two colours can swap every half second. It answers
// the colour request its parent hands on (ControlColours) with the colours
// of its phase; the phase and its timer follow the shared blink logic.
class BlinkStatic : public SubclassedControl {
  public:
    // A static of the given styles (SS_CENTER, SS_SUNKEN ...) in its parent.
    BlinkStatic(HWND parent, int id, DWORD staticStyle, const view::Rect& rect = {});
    ~BlinkStatic() override;

    // The value cells of the main view and of the progress window: own
    // colours, black text on white, sunken, centred.
    static constexpr DWORD kValueCellStyle = SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN;
    static void makeValueCell(BlinkStatic& cell);

    std::string text() const;
    void setText(std::string_view text);
    // Rewritten only when the text differs without regard to case; true when
    // it was.
    bool setTextIfDiffers(std::string_view text);

    void setOwnColours(bool ownColours);
    bool ownColours() const { return ownColours_; }
    view::Rgb setColourA(view::Rgb colour);
    view::Rgb setColourB(view::Rgb colour);
    view::Rgb colourA() const { return colourA_; }
    view::Rgb colourB() const { return colourB_; }

    bool isBlinking() const { return phase_.blinking(); }
    bool lit() const { return phase_.lit(); }
    // Starts or stops blinking; returns whether it was blinking before.
    bool setBlinking(bool blink);
    // One tick of the blink timer, as the timer gives it.
    void blinkTick();

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void destroying() override;

  private:
    void follow(const view::BlinkStep& step);
    LRESULT answerColourRequest(HDC dc);
    void repaint();

    view::BlinkPhase phase_;
    bool ownColours_ = false;
    view::Rgb colourA_;
    view::Rgb colourB_;
};

}  // namespace winui
