#pragma once

#include <QDialog>

class QLabel;

namespace ui {

// "About FLASHKIT": the program icon, the version line, the legal notice
// line and OK.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* versionLine() const { return versionLine_; }
    QLabel* legalLine() const { return legalLine_; }

  private:
    QLabel* versionLine_;
    QLabel* legalLine_;
};

}  // namespace ui
