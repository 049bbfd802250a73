#include "ui/StatusWindow.h"

#include "ui/BlinkStatic.h"
#include "ui/ViewGeometry.h"
#include "view/StatusFeed.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

namespace ui {

namespace {

using view::StatusWindowLayout;
using view::StatusWindowRefresh;

constexpr int kFrameWidth = 3;  // the dialog frame around the client area

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

StatusWindow::StatusWindow(view::StatusFeed& feed, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint),
      feed_(feed),
      mainWindow_(mainWindow),
      group_(new QGroupBox(this)),
      fileName_(InfoPane::Kind::FileName, StatusWindowLayout::kFileNameCaption, this),
      address_(InfoPane::Kind::Address, StatusWindowLayout::kAddressCaption, this),
      checkSum_(InfoPane::Kind::CheckSum, StatusWindowLayout::kCheckSumCaption, this),
      statusLine_(BlinkStatic::makeValueCell(this)),
      current_(StatusWindowLayout::kCurrentCaption, this),
      total_(StatusWindowLayout::kTotalCaption, this),
      button_(new QPushButton(StatusWindowRefresh::kCancelCaption, this)) {
    setWindowTitle(StatusWindowLayout::kWindowText);
    setModal(false);
    group_->lower();  // the panes lie over the group box
    button_->setAutoDefault(false);
    connect(button_, &QPushButton::clicked, this, &StatusWindow::onButton);

    const view::Rect owner =
        mainWindow_ != nullptr ? toRect(mainWindow_->window()->frameGeometry()) : view::Rect{};
    const view::Rect placement = StatusWindowLayout::placement(owner);
    resize(placement.width(), placement.height());
    if (mainWindow_ != nullptr) {
        move(placement.left, placement.top);
    }
    layOut();
    refreshTimer_.start(StatusWindowRefresh::kPeriodMs, this);
    setEnabled(true);
}

StatusWindow::~StatusWindow() {
    refreshTimer_.stop();
}

QRect StatusWindow::clientRect() const {
    return rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
}

void StatusWindow::layOut() {
    const StatusWindowLayout layout = StatusWindowLayout::arrange(toRect(clientRect()));
    group_->setGeometry(toQRect(layout.group));
    fileName_.place(layout.fileName);
    address_.place(layout.address);
    checkSum_.place(layout.checkSum);
    statusLine_->setGeometry(toQRect(layout.statusLine));
    current_.place(layout.current);
    total_.place(layout.total);
    button_->setGeometry(toQRect(layout.button));
}

void StatusWindow::applyFont(const QFont& font) {
    setFont(font);
    group_->setFont(font);
    fileName_.setFont(font);
    address_.setFont(font);
    checkSum_.setFont(font);
    statusLine_->setFont(font);
    current_.setFont(font);
    total_.setFont(font);
    button_->setFont(font);
    update();
}

void StatusWindow::refresh() {
    const StatusWindowRefresh::Changes changes = refresh_.refresh(feed_.snapshot(), feed_.isDone());
    const view::StatusCells& shown = refresh_.shown();
    if (changes.has(StatusWindowRefresh::GroupTitle)) {
        group_->setTitle(fromUtf8(shown.groupTitle));
    }
    const auto writeCell = [&changes](StatusWindowRefresh::Change change, BlinkStatic* cell,
                                      const std::string& text) {
        if (changes.has(change)) {
            cell->setText(fromUtf8(text));
        }
    };
    writeCell(StatusWindowRefresh::FileName, fileName_.valueCell(), shown.fileName);
    writeCell(StatusWindowRefresh::LowAddress, address_.valueCell(), shown.lowAddress);
    writeCell(StatusWindowRefresh::HighAddress, address_.highValueCell(), shown.highAddress);
    writeCell(StatusWindowRefresh::CheckSum, checkSum_.valueCell(), shown.checksum);
    if (changes.has(StatusWindowRefresh::StatusColour)) {
        statusLine_->setColourA(toQColor(shown.statusColour));
    }
    if (changes.has(StatusWindowRefresh::Blinking)) {
        statusLine_->setBlinking(shown.blinking);
    }
    if (changes.has(StatusWindowRefresh::StatusText)) {
        statusLine_->setText(fromUtf8(shown.statusText));
    }
    if (changes.has(StatusWindowRefresh::TotalRange)) {
        total_.setUpperRange(shown.totalRange);
    }
    if (changes.has(StatusWindowRefresh::TotalPos)) {
        total_.setPosition(shown.totalPos);
    }
    if (changes.has(StatusWindowRefresh::CurrentRange)) {
        current_.setUpperRange(shown.currentRange);
    }
    if (changes.has(StatusWindowRefresh::CurrentPos)) {
        current_.setPosition(shown.currentPos);
    }
    if (changes.has(StatusWindowRefresh::ButtonEnabled)) {
        button_->setEnabled(shown.buttonEnabled);
    }
    if (changes.has(StatusWindowRefresh::ButtonCaption)) {
        button_->setText(fromUtf8(shown.buttonCaption));
    }
}

void StatusWindow::onButton() {
    refreshTimer_.stop();
    if (mainWindow_ != nullptr) {
        mainWindow_->window()->raise();
    }
    hide();
    emit closedByButton();
    deleteLater();
    feed_.pressButton();
}

void StatusWindow::reject() {}

void StatusWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void StatusWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void StatusWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == refreshTimer_.timerId()) {
        refresh();
        return;
    }
    QDialog::timerEvent(event);
}

}  // namespace ui
