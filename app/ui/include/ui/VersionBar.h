#pragma once

#include <QRect>
#include <QString>

#include <array>

class QLabel;
class QWidget;

namespace ui {

class BlinkStatic;

// The four cells beside the unit selector: "ROM Ver." label and value,
// "File Ver." label and value, of equal width, left to right. They are
// children of the view itself, so that a font change reaches them.
class VersionBar {
  public:
    explicit VersionBar(QWidget* parent);

    void place(const QRect& rectangle);
    void setAllVisible(bool visible);
    // Each writes its cell only when the text differs without regard to case.
    void setRomValue(const QString& text);
    void setFileValue(const QString& text);

    QLabel* romLabel() const { return romLabel_; }
    BlinkStatic* romValue() const { return romValue_; }
    QLabel* fileLabel() const { return fileLabel_; }
    BlinkStatic* fileValue() const { return fileValue_; }

    static int cellWidth(int barWidth) { return barWidth - (barWidth / 4) * 3; }

  private:
    QLabel* romLabel_;
    BlinkStatic* romValue_;
    QLabel* fileLabel_;
    BlinkStatic* fileValue_;
};

}  // namespace ui
