#pragma once

#include "view/Rgb.h"

namespace view {

// The colours a blinking text field is drawn with in its current phase.
// systemDrawing: the field draws the way the system draws a plain static
// (text and background below are then the system's own colours).
struct BlinkColours {
    bool systemDrawing = false;
    Rgb text;
    Rgb background;
};

// What the front end of a blinking text field does after a call.
struct BlinkStep {
    bool wasBlinking = false;  // the answer of start or stop
    bool startTimer = false;   // timer kTimerId, period kPeriodMs
    bool stopTimer = false;
    bool repaint = false;  // the whole field, background erased
};

// The phase of a text field whose two colours swap every half second: lit
// is the inverted phase. Stopping returns to the phase blinking started in.
class BlinkPhase {
  public:
    static constexpr int kTimerId = 1;
    static constexpr int kPeriodMs = 500;
    // The value cells of the main view and of the progress window: own
    // colours, black text on white, sunken, centred.
    static constexpr Rgb kValueCellText = kBlack;
    static constexpr Rgb kValueCellBackground = kWhite;

    bool lit() const { return lit_; }
    bool blinking() const { return blinking_; }

    // Starting while blinking and stopping while steady change nothing.
    BlinkStep setBlinking(bool blink);
    // One tick of the blink timer: the phase is inverted.
    BlinkStep tick();
    // The field goes away: the timer ends and the phase is the saved one.
    BlinkStep end();

    // With own colours: colourA on colourB, swapped while lit. Without:
    // the system's drawing, and while lit its text and background swapped.
    BlinkColours colours(bool ownColours, Rgb colourA, Rgb colourB, Rgb systemText,
                         Rgb systemBackground) const;

  private:
    bool lit_ = false;
    bool savedLit_ = false;
    bool blinking_ = false;
};

}  // namespace view
