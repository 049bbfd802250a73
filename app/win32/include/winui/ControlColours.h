#pragma once

#include <windows.h>

namespace winui {

// The program's own statics (BlinkStatic, CaptionStatic) choose their
// colours themselves. A parent hands the colour request of a static
// (WM_CTLCOLORSTATIC) on to the static with this message; the static answers
// with the brush to fill with, or 0 for the system's drawing.
class ControlColours {
  public:
    static constexpr UINT kReflectedColourRequest = WM_APP + 0x40;

    // What a parent returns for WM_CTLCOLORSTATIC, or nullptr when the
    // static leaves it to the system.
    static HBRUSH forward(WPARAM deviceContext, LPARAM control) {
        return reinterpret_cast<HBRUSH>(
            ::SendMessageW(reinterpret_cast<HWND>(control), kReflectedColourRequest, deviceContext, 0));
    }
};

}  // namespace winui
