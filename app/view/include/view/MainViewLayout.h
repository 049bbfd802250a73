#pragma once

#include <array>

#include "view/Rect.h"
#include "view/VersionBarCells.h"

namespace view {

// Where the controls of the main view go. It is worked out in two steps,
// because the rest follows from the size the closed unit selector turns out
// to have in the view's font, which only the toolkit knows:
//   1. place the selector at selectorDropRect (its height is the extent of
//      the opened list), then measure the closed selector's client size;
//   2. arrange the rest from that size.
// Done when the view gets its font at start-up and after every font change.
class MainViewLayout {
  public:
    static constexpr int kMargin = 8;

    // Left, top and width of the selector, with the height of its opened list.
    static Rect selectorDropRect(const Rect& client);
    // topRuleHeight is the etched line's own height; selectorWidth and
    // selectorHeight are the client size of the closed selector.
    static MainViewLayout arrange(const Rect& client, int topRuleHeight, int selectorWidth,
                                  int selectorHeight);

    Rect topRule;
    Rect versionBar;
    std::array<Rect, VersionBarCells::CellCount> versionCells;
    Rect grid;
    Rect getVersion;
    Rect write;
    Rect all;
    Rect clear;
};

}  // namespace view
