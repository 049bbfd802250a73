#pragma once

#include <QString>

#include <array>

#include "view/Rect.h"
#include "view/VersionBarCells.h"

class QLabel;
class QWidget;

namespace ui {

class BlinkStatic;

// The four cells beside the unit selector. They are children of the view
// itself, so that a font change reaches them.
class VersionBar {
  public:
    explicit VersionBar(QWidget* parent);

    void place(const std::array<view::Rect, view::VersionBarCells::CellCount>& cells);
    void setAllVisible(bool visible);
    // Each writes its cell only when the text differs without regard to case.
    void setRomValue(const QString& text);
    void setFileValue(const QString& text);

    QLabel* romLabel() const { return romLabel_; }
    BlinkStatic* romValue() const { return romValue_; }
    QLabel* fileLabel() const { return fileLabel_; }
    BlinkStatic* fileValue() const { return fileValue_; }

  private:
    std::array<QWidget*, view::VersionBarCells::CellCount> cells() const;

    QLabel* romLabel_;
    BlinkStatic* romValue_;
    QLabel* fileLabel_;
    BlinkStatic* fileValue_;
};

}  // namespace ui
