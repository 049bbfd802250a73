#pragma once

#include <windows.h>

#include <string_view>

namespace winui {

// The screen's device context, for its resolution and for measuring text
// in a font; released with the object.
class ScreenDc {
  public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() { ::ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC get() const { return dc_; }
    int dotsPerInchX() const { return ::GetDeviceCaps(dc_, LOGPIXELSX); }
    int dotsPerInchY() const { return ::GetDeviceCaps(dc_, LOGPIXELSY); }

    // The width of UTF-8 text in this font (GetTextExtentPoint32).
    int textWidth(HFONT font, std::string_view text) const;

  private:
    HDC dc_;
};

}  // namespace winui
