#pragma once

#include "view/FontRequest.h"
#include "view/Rect.h"
#include "view/Rgb.h"

namespace view {

// The MODE SELECT dialog's controls: where they go in the client area, their
// texts, fonts and colours. The dialog is a popup without a title bar, sized
// 250 x 180 and placed at the top-left corner of the main window's client
// area. The controls are created in the order of the fields (banner, OK,
// icon, prompt, Host I/F, Card Direct): the radio group runs in that order.
class ModeSelectLayout {
  public:
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 180;
    static constexpr int kIconSize = 32;

    static constexpr const char* kBannerText = "MODE SELECT";
    static constexpr const char* kOkText = "OK";
    static constexpr const char* kPromptText = "Please select writing port.";
    static constexpr const char* kHostInterfaceText = "Host I/F";
    static constexpr const char* kCardDirectText = "Card Direct";

    static constexpr const char* kFace = "Times New Roman";
    static constexpr int kButtonSize = 12;
    static constexpr int kHeadingSize = 14;
    static constexpr Rgb kBannerTextColour = kBlack;
    static constexpr Rgb kBannerBackground = kWhite;

    // The font of the three buttons, and of the prompt and the banner.
    static FontRequest buttonFont() { return {kFace, kButtonSize, 0, false, false}; }
    static FontRequest headingFont() { return {kFace, kHeadingSize, 0, true, false}; }

    // clientWidth and clientHeight of the dialog's client area.
    static ModeSelectLayout arrange(int clientWidth, int clientHeight);

    Rect banner;
    Rect ok;
    Rect icon;
    Rect prompt;
    Rect hostInterface;
    Rect cardDirect;
};

}  // namespace view
