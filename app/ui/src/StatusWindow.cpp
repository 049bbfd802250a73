#include "ui/StatusWindow.h"

#include "ui/BlinkStatic.h"
#include "ui/Edges.h"
#include "ui/StatusFeed.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

#include <algorithm>

namespace ui {

namespace {

constexpr int kFrameWidth = 3;  // the dialog frame around the client area
constexpr int kMargin = 8;
constexpr const char* kCancelCaption = "Cancel";
constexpr const char* kOkCaption = "OK";
const QColor kErrorColour(255, 0, 0);
const QColor kNormalColour(0, 0, 0);

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

StatusWindow::StatusWindow(StatusFeed& feed, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint),
      feed_(feed),
      mainWindow_(mainWindow),
      group_(new QGroupBox(this)),
      fileName_(InfoPane::Kind::FileName, "File Name", this),
      address_(InfoPane::Kind::Address, "Address", this),
      checkSum_(InfoPane::Kind::CheckSum, "CheckSum", this),
      statusLine_(new BlinkStatic(this)),
      current_("Current", this),
      total_("Total", this),
      button_(new QPushButton(kCancelCaption, this)) {
    setWindowTitle("Status");
    setModal(false);
    group_->lower();  // the panes lie over the group box
    statusLine_->setOwnColours(true);
    statusLine_->setColourA(kNormalColour);
    statusLine_->setColourB(QColor(255, 255, 255));
    statusLine_->setSunken(true);
    statusLine_->setAlignment(Qt::AlignCenter);
    button_->setAutoDefault(false);
    connect(button_, &QPushButton::clicked, this, &StatusWindow::onButton);

    resize(kWidth, kHeight);
    if (mainWindow_ != nullptr) {
        const QRect owner = mainWindow_->window()->frameGeometry();
        move(std::max(0, owner.left() + (owner.width() - kWidth) / 2),
             std::max(0, owner.top() + (owner.height() - kHeight) / 2));
    }
    layOut();
    refreshTimer_.start(kRefreshPeriodMs, this);
    setEnabled(true);
}

StatusWindow::~StatusWindow() {
    refreshTimer_.stop();
}

QRect StatusWindow::clientRect() const {
    return rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
}

void StatusWindow::layOut() {
    const Edges inner = Edges::of(clientRect()).shrunk(kMargin);
    const int h = inner.height();

    Edges upper = inner;
    upper.bottom -= (4 * h) / 10;
    group_->setGeometry(upper.toRect());

    const Edges panes{upper.left + 16, upper.top + 32, upper.right - 16, upper.bottom};
    const int r = (panes.height() - 40) / 4;
    Edges row{panes.left, panes.top + 8, panes.right, panes.top + 8 + r};
    fileName_.place(row.toRect());
    row = row.movedBy(0, r + 8);
    address_.place(row.toRect());
    row = row.movedBy(0, r + 8);
    checkSum_.place(row.toRect());
    row = row.movedBy(0, r + 8);
    statusLine_->setGeometry(row.toRect());

    Edges lower = inner;
    lower.top += (6 * h) / 10;
    const int r2 = (lower.height() - 24) / 3;
    Edges bar{lower.left, lower.top + 8, lower.right, lower.top + 8 + r2};
    current_.place(bar.toRect());
    bar = bar.movedBy(0, r2 + 8);
    total_.place(bar.toRect());
    bar = bar.movedBy(0, r2 + 8);
    const int quarter = bar.width() / 4;
    button_->setGeometry(Edges{bar.left + quarter, bar.top, bar.right - quarter, bar.bottom}.toRect());
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

QString StatusWindow::hexCell(std::uint32_t value) {
    return QString::asprintf("%08X", static_cast<unsigned>(value)) + 'H';
}

void StatusWindow::refresh() {
    const StatusSnapshot status = feed_.snapshot();

    const QString title = fromUtf8(status.title);
    if (group_->title().compare(title, Qt::CaseInsensitive) != 0) {
        group_->setTitle(title);
    }
    if (!title.isEmpty()) {
        fileName_.setValue(fromUtf8(status.fileName));
        if (!status.fileName.empty()) {
            address_.setValue(hexCell(status.lowAddress));
            address_.setHighValue(hexCell(status.highAddress));
            checkSum_.setValue(hexCell(status.checksum));
        } else {
            address_.clear();
            checkSum_.clear();
        }
    } else {
        fileName_.clear();
        address_.clear();
        checkSum_.clear();
    }

    const QColor textColour = status.errorFlag ? kErrorColour : kNormalColour;
    if (statusLine_->colourA() != textColour) {
        statusLine_->setColourA(textColour);
    }
    if (status.finishedFlag != statusLine_->isBlinking()) {
        statusLine_->setBlinking(status.finishedFlag);
    }
    statusLine_->setTextIfDiffersExactly(fromUtf8(status.statusText));

    total_.setUpperRange(status.overallTotal);
    total_.setPosition(status.overallPos);
    current_.setUpperRange(status.currentTotal);
    current_.setPosition(status.currentPos);

    if (button_->isEnabled() != status.cancelEnabled) {
        button_->setEnabled(status.cancelEnabled);
    }
    if (feed_.isDone() && button_->text() != kOkCaption) {
        button_->setText(kOkCaption);
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
    feed_.signalCancel();
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
