#pragma once

#include "view/InfoPaneCells.h"
#include "view/ProgressRowCells.h"
#include "view/Rect.h"

namespace view {

// The progress window of a write: its place over the main window and the
// rectangles of its controls within its client area.
class StatusWindowLayout {
  public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 360;
    static constexpr int kMargin = 8;
    static constexpr const char* kWindowText = "Status";
    static constexpr const char* kFileNameCaption = "File Name";
    static constexpr const char* kAddressCaption = "Address";
    static constexpr const char* kCheckSumCaption = "CheckSum";
    static constexpr const char* kCurrentCaption = "Current";
    static constexpr const char* kTotalCaption = "Total";

    // 480 x 360, centred over the main window's outer rectangle; an edge
    // that would lie left of or above the screen is put at 0.
    static Rect placement(const Rect& mainWindow);
    static StatusWindowLayout arrange(const Rect& client);

    Rect group;
    InfoPaneCells fileName;
    InfoPaneCells address;
    InfoPaneCells checkSum;
    Rect statusLine;
    ProgressRowCells current;
    ProgressRowCells total;
    Rect button;
};

}  // namespace view
