#include "ui/ModeSelectDialog.h"

#include "ui/CQButton.h"
#include "ui/CaptionStatic.h"
#include "ui/ProgramIcon.h"
#include "ui/ViewGeometry.h"
#include "view/ModeSelectLayout.h"

#include <qdrawutil.h>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace ui {

namespace {

using view::ModeSelectChoice;
using view::ModeSelectLayout;

constexpr int kFrameWidth = 3;  // the modal frame around the client area

}  // namespace

ModeSelectDialog::ModeSelectDialog(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), mainWindow_(mainWindow) {
    setModal(true);
    setFixedSize(ModeSelectLayout::kWidth, ModeSelectLayout::kHeight);
    setWindowIcon(ProgramIcon::icon());
    client_ = new QWidget(this);
    client_->setGeometry(kFrameWidth, kFrameWidth, ModeSelectLayout::kWidth - 2 * kFrameWidth,
                         ModeSelectLayout::kHeight - 2 * kFrameWidth);
    const ModeSelectLayout layout = ModeSelectLayout::arrange(client_->width(), client_->height());

    banner_ = new CaptionStatic(ModeSelectLayout::kBannerText, toQRect(layout.banner), client_, 0);
    banner_->setCaptionFont(ModeSelectLayout::headingFont());
    banner_->setTextColour(toQColor(ModeSelectLayout::kBannerTextColour));
    banner_->setBackgroundColour(toQColor(ModeSelectLayout::kBannerBackground));
    banner_->setAlignment(CaptionStatic::Alignment::Centre);

    ok_ = new CQButton(ModeSelectLayout::kOkText, toQRect(layout.ok), client_, ModeSelectChoice::kOkCommand,
                       CQButton::Kind::Push);
    ok_->setButtonFont(ModeSelectLayout::buttonFont());

    auto* icon = new QLabel(client_);
    icon->setGeometry(toQRect(layout.icon));
    icon->setPixmap(ProgramIcon::pixmap(ModeSelectLayout::kIconSize));

    prompt_ = new CaptionStatic(ModeSelectLayout::kPromptText, toQRect(layout.prompt), client_, 0);
    prompt_->setCaptionFont(ModeSelectLayout::headingFont());
    prompt_->setAlignment(CaptionStatic::Alignment::Left);

    hostInterface_ = new CQButton(ModeSelectLayout::kHostInterfaceText, toQRect(layout.hostInterface),
                                  client_, ModeSelectChoice::kHostInterfaceCommand, CQButton::Kind::Radio);
    hostInterface_->setButtonFont(ModeSelectLayout::buttonFont());
    hostInterface_->setGroupStart(true);
    cardDirect_ = new CQButton(ModeSelectLayout::kCardDirectText, toQRect(layout.cardDirect), client_,
                               ModeSelectChoice::kCardDirectCommand, CQButton::Kind::Radio);
    cardDirect_->setButtonFont(ModeSelectLayout::buttonFont());

    for (CQButton* button : {ok_, hostInterface_, cardDirect_}) {
        connect(button, &CQButton::clicked, this, &ModeSelectDialog::onButtonClicked);
    }
    hostInterface_->setCheck(1, false);
    ok_->takeFocus();
}

data::WritingPort ModeSelectDialog::run() {
    if (mainWindow_ != nullptr) {
        move(mainWindow_->mapToGlobal(QPoint(0, 0)));
    }
    exec();
    return choice();
}

void ModeSelectDialog::onButtonClicked(int commandId, int) {
    take(choice_.clicked(commandId));
}

void ModeSelectDialog::take(ModeSelectChoice::Action action) {
    switch (action) {
        case ModeSelectChoice::Action::EndDialog:
            done(QDialog::Accepted);
            break;
        case ModeSelectChoice::Action::CheckHostInterface:
            hostInterface_->setCheck(1, false);
            break;
        case ModeSelectChoice::Action::CheckCardDirect:
            cardDirect_->setCheck(1, false);
            break;
        case ModeSelectChoice::Action::None:
            break;
    }
}

void ModeSelectDialog::reject() {
    take(ModeSelectChoice::command(ModeSelectChoice::kEscapeCommand));
}

void ModeSelectDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            take(ModeSelectChoice::command(ModeSelectChoice::kEnterCommand));
            event->accept();
            return;
        case Qt::Key_Escape:
            take(ModeSelectChoice::command(ModeSelectChoice::kEscapeCommand));
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void ModeSelectDialog::closeEvent(QCloseEvent* event) {
    event->setAccepted(ModeSelectChoice::endsOnCloseRequest());
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
