#include "ui/ModeSelectDialog.h"

#include "ui/CQButton.h"
#include "ui/CaptionStatic.h"
#include "ui/Edges.h"
#include "ui/ProgramIcon.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace ui {

namespace {

constexpr int kFrameWidth = 3;  // the modal frame around the client area
constexpr const char* kFace = "Times New Roman";
constexpr int kButtonSize = 12;
constexpr int kHeadingSize = 14;

QRect fromEdges(int left, int top, int right, int bottom) {
    return Edges{left, top, right, bottom}.toRect();
}

}  // namespace

ModeSelectDialog::ModeSelectDialog(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), mainWindow_(mainWindow) {
    setModal(true);
    setFixedSize(kWidth, kHeight);
    setWindowIcon(ProgramIcon::icon());
    client_ = new QWidget(this);
    client_->setGeometry(kFrameWidth, kFrameWidth, kWidth - 2 * kFrameWidth, kHeight - 2 * kFrameWidth);
    const int w = client_->width();
    const int h = client_->height();

    banner_ = new CaptionStatic("MODE SELECT", fromEdges(0, h - 20, w, h), client_, 0);
    banner_->setCaptionFont(kFace, kHeadingSize, 0, true, false);
    banner_->setTextColour(QColor(0, 0, 0));
    banner_->setBackgroundColour(QColor(255, 255, 255));
    banner_->setAlignment(CaptionStatic::Alignment::Centre);

    ok_ = new CQButton("OK", fromEdges(w - w / 2 - 40, h - 50, w - w / 2 + 40, h - 25), client_, kOkCommand,
                       CQButton::Kind::Push);
    ok_->setButtonFont(kFace, kButtonSize, 0, false, false);

    auto* icon = new QLabel(client_);
    icon->setGeometry(fromEdges(10, 26, 42, 58));
    icon->setPixmap(ProgramIcon::pixmap(ProgramIcon::kDialogSize));

    prompt_ = new CaptionStatic("Please select writing port.", fromEdges(50, 26, w - 10, 46), client_, 0);
    prompt_->setCaptionFont(kFace, kHeadingSize, 0, true, false);
    prompt_->setAlignment(CaptionStatic::Alignment::Left);

    hostInterface_ = new CQButton("Host I/F", fromEdges(50, 66, w - 10, 86), client_, kHostInterfaceCommand,
                                  CQButton::Kind::Radio);
    hostInterface_->setButtonFont(kFace, kButtonSize, 0, false, false);
    hostInterface_->setGroupStart(true);
    cardDirect_ = new CQButton("Card Direct", fromEdges(50, 91, w - 10, 111), client_, kCardDirectCommand,
                               CQButton::Kind::Radio);
    cardDirect_->setButtonFont(kFace, kButtonSize, 0, false, false);

    for (CQButton* button : {ok_, hostInterface_, cardDirect_}) {
        connect(button, &CQButton::clicked, this, &ModeSelectDialog::onButtonClicked);
    }
    hostInterface_->setCheck(1, false);
    ok_->takeFocus();
}

int ModeSelectDialog::run() {
    if (mainWindow_ != nullptr) {
        move(mainWindow_->mapToGlobal(QPoint(0, 0)));
    }
    exec();
    return choice_;
}

void ModeSelectDialog::onButtonClicked(int commandId, int) {
    switch (commandId) {
        case kOkCommand:
            done(QDialog::Accepted);
            break;
        case kHostInterfaceCommand:
            choice_ = HostInterface;
            hostInterface_->setCheck(1, false);
            break;
        case kCardDirectCommand:
            choice_ = CardDirect;
            cardDirect_->setCheck(1, false);
            break;
        default:
            break;
    }
}

void ModeSelectDialog::reject() {}

void ModeSelectDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();  // a dialog's OK and Cancel keys are swallowed
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void ModeSelectDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ModeSelectDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ok_->takeFocus();
}

void ModeSelectDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

}  // namespace ui
