#include "view/BlinkPhase.h"

namespace view {

BlinkStep BlinkPhase::setBlinking(bool blink) {
    BlinkStep step;
    step.wasBlinking = blinking_;
    if (blink && !blinking_) {
        savedLit_ = lit_;
        blinking_ = true;
        step.startTimer = true;
    } else if (!blink && blinking_) {
        blinking_ = false;
        step.stopTimer = true;
        if (lit_ != savedLit_) {
            lit_ = savedLit_;
            step.repaint = true;
        }
    }
    return step;
}

BlinkStep BlinkPhase::tick() {
    BlinkStep step;
    step.wasBlinking = blinking_;
    if (blinking_) {
        lit_ = !lit_;
        step.repaint = true;
    }
    return step;
}

BlinkStep BlinkPhase::end() {
    BlinkStep step;
    step.wasBlinking = blinking_;
    step.stopTimer = blinking_;
    blinking_ = false;
    lit_ = savedLit_;
    return step;
}

BlinkColours BlinkPhase::colours(bool ownColours, Rgb colourA, Rgb colourB, Rgb systemText,
                                 Rgb systemBackground) const {
    if (ownColours) {
        return lit_ ? BlinkColours{false, colourB, colourA} : BlinkColours{false, colourA, colourB};
    }
    return lit_ ? BlinkColours{false, systemBackground, systemText}
                : BlinkColours{true, systemText, systemBackground};
}

}  // namespace view
