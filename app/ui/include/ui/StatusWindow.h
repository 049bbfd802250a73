#pragma once

#include "ui/InfoPane.h"
#include "ui/LabeledProgress.h"

#include <QBasicTimer>
#include <QDialog>

#include <memory>

class QGroupBox;
class QPushButton;

namespace ui {

class BlinkStatic;
class StatusFeed;

// The progress window of a write: it reads the engine's progress record on
// a fast timer and writes a control only when its shown value differs. Its
// only way out is its button, Cancel while running and OK at the end; both
// close it at once and signal the cancel event.
class StatusWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 360;
    static constexpr int kRefreshPeriodMs = 10;
    static constexpr int kButtonCommand = 100;

    StatusWindow(StatusFeed& feed, QWidget* mainWindow);
    ~StatusWindow() override;

    // Gives every child control the font.
    void applyFont(const QFont& font);
    // One pass of the refresh timer.
    void refresh();

    QGroupBox* group() const { return group_; }
    const InfoPane& fileNamePane() const { return fileName_; }
    const InfoPane& addressPane() const { return address_; }
    const InfoPane& checkSumPane() const { return checkSum_; }
    BlinkStatic* statusLine() const { return statusLine_; }
    const LabeledProgress& currentProgress() const { return current_; }
    const LabeledProgress& totalProgress() const { return total_; }
    QPushButton* button() const { return button_; }
    QRect clientRect() const;

    // The text an address or checksum cell shows.
    static QString hexCell(std::uint32_t value);

  public slots:
    void reject() override;  // Escape does not close the window

  signals:
    // The window has been closed by its button and is about to go away.
    void closedByButton();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void layOut();
    void onButton();

    StatusFeed& feed_;
    QWidget* mainWindow_;
    QGroupBox* group_;
    InfoPane fileName_;
    InfoPane address_;
    InfoPane checkSum_;
    BlinkStatic* statusLine_;
    LabeledProgress current_;
    LabeledProgress total_;
    QPushButton* button_;
    QBasicTimer refreshTimer_;
};

}  // namespace ui
