#pragma once

#include <windows.h>

#include <string_view>

#include "view/Rect.h"

namespace winui {

// A plain static text of the system, centred horizontally and vertically:
// the labels of the version bar and of the progress window's rows. The
// parent window destroys it.
HWND createCentredLabel(HWND parent, std::string_view text, DWORD visibility, const view::Rect& rect = {});

}  // namespace winui
