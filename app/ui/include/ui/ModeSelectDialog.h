#pragma once

#include <QDialog>

#include "data/WritingPort.h"
#include "view/ModeSelectChoice.h"

namespace ui {

class CQButton;
class CaptionStatic;

// Asked once at every start: how the firmware is to be written. It cannot be
// dismissed without an answer; only its OK button ends it.
class ModeSelectDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ModeSelectDialog(QWidget* mainWindow);

    // Shows the dialog modally at the top-left corner of the main window's
    // client area and returns the choice.
    data::WritingPort run();

    data::WritingPort choice() const { return choice_.choice(); }
    CQButton* okButton() const { return ok_; }
    CQButton* hostInterfaceButton() const { return hostInterface_; }
    CQButton* cardDirectButton() const { return cardDirect_; }
    QWidget* clientArea() const { return client_; }

  public slots:
    void reject() override;  // Escape and the like never end the dialog

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void onButtonClicked(int commandId, int state);
    void take(view::ModeSelectChoice::Action action);

    QWidget* mainWindow_;
    QWidget* client_;
    CaptionStatic* banner_ = nullptr;
    CaptionStatic* prompt_ = nullptr;
    CQButton* ok_ = nullptr;
    CQButton* hostInterface_ = nullptr;
    CQButton* cardDirect_ = nullptr;
    view::ModeSelectChoice choice_;
};

}  // namespace ui
