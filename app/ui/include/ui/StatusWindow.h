#pragma once

#include "ui/InfoPane.h"
#include "ui/LabeledProgress.h"
#include "view/StatusWindowLayout.h"
#include "view/StatusWindowRefresh.h"

#include <QBasicTimer>
#include <QDialog>

class QGroupBox;
class QPushButton;

namespace view {
class StatusFeed;
}

namespace ui {

class BlinkStatic;

// The progress window of a write: it reads the engine's progress record on
// a fast timer and writes the controls the refresh names. Its only way out
// is its button, Cancel while running and OK at the end; both close it at
// once and signal the cancel event.
class StatusWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kWidth = view::StatusWindowLayout::kWidth;
    static constexpr int kHeight = view::StatusWindowLayout::kHeight;

    StatusWindow(view::StatusFeed& feed, QWidget* mainWindow);
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

    view::StatusFeed& feed_;
    view::StatusWindowRefresh refresh_;
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
