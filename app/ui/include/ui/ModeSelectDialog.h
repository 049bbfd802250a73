#pragma once

#include <QDialog>

namespace ui {

class CQButton;
class CaptionStatic;

// Asked once at every start: how the firmware is to be written. It cannot be
// dismissed without an answer; only its OK button ends it.
class ModeSelectDialog : public QDialog {
    Q_OBJECT

  public:
    enum Choice { HostInterface = 0, CardDirect = 1 };

    static constexpr int kWidth = 250;
    static constexpr int kHeight = 180;
    static constexpr int kOkCommand = 1361;
    static constexpr int kHostInterfaceCommand = 1362;
    static constexpr int kCardDirectCommand = 1363;

    explicit ModeSelectDialog(QWidget* mainWindow);

    // Shows the dialog modally at the top-left corner of the main window's
    // client area and returns the choice.
    int run();

    int choice() const { return choice_; }
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

    QWidget* mainWindow_;
    QWidget* client_;
    CaptionStatic* banner_ = nullptr;
    CaptionStatic* prompt_ = nullptr;
    CQButton* ok_ = nullptr;
    CQButton* hostInterface_ = nullptr;
    CQButton* cardDirect_ = nullptr;
    int choice_ = HostInterface;
};

}  // namespace ui
