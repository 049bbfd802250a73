#include "ui/AboutDialog.h"

#include "core/AboutText.h"
#include "ui/ProgramIcon.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace ui {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      versionLine_(new QLabel(QString::fromStdString(core::AboutText::programVersionLine()), this)),
      legalLine_(new QLabel(QString::fromStdString(core::AboutText::programLegalNoticeLine()), this)) {
    setWindowTitle("About FLASHKIT");
    setWindowIcon(ProgramIcon::icon());
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon::pixmap(ProgramIcon::kDialogSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(versionLine_, 0, 1);
    layout->addWidget(legalLine_, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    versionLine_->setMinimumWidth(200);
}

}  // namespace ui
