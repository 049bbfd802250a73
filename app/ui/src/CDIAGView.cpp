#include "ui/CDIAGView.h"

#include "core/FontSetting.h"
#include "data/CDIAGDoc.h"
#include "ui/BlinkStatic.h"
#include "ui/Edges.h"
#include "ui/UnitGrid.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>

namespace ui {

namespace {

constexpr int kTopRuleHeight = 2;

QPushButton* makeButton(const char* text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

CDIAGView::CDIAGView(data::CDIAGDoc& document, QWidget* parent)
    : QWidget(parent),
      document_(document),
      topRule_(new QFrame(this)),
      unitSelector_(new QComboBox(this)),
      versionBar_(this),
      grid_(new UnitGrid(this)),
      getVersion_(makeButton("Get Ver.", this)),
      write_(makeButton("Write", this)),
      all_(makeButton("ALL", this)),
      clear_(makeButton("CLEAR", this)) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    topRule_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    topRule_->setFixedHeight(kTopRuleHeight);
    unitSelector_->setEditable(false);
    unitSelector_->setFrame(true);

    connect(unitSelector_, &QComboBox::activated, this, &CDIAGView::onUnitConfirmed);
    connect(getVersion_, &QPushButton::clicked, this, &CDIAGView::onGetVersion);
    connect(write_, &QPushButton::clicked, this, &CDIAGView::onWrite);
    connect(all_, &QPushButton::clicked, this, &CDIAGView::onCheckAll);
    connect(clear_, &QPushButton::clicked, this, &CDIAGView::onClearAll);
    viewFont_ = font();
}

void CDIAGView::setAdvanced(int advanced) {
    viewMode_ = advanced != 0 ? kListMode : 0;
}

void CDIAGView::setFontSetting(const core::FontSetting& setting) {
    QFont font(QString::fromStdString(setting.faceName));
    font.setPointSize(setting.pointSize);
    font.setWeight(setting.bold != 0 ? static_cast<QFont::Weight>(core::FontSetting::kBoldWeight)
                                     : QFont::Normal);
    font.setItalic(setting.italic != 0);
    applyViewFont(font);
}

void CDIAGView::applyViewFont(const QFont& font) {
    viewFont_ = font;
    setFont(font);
    for (QObject* child : children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            widget->setFont(font);
            widget->update();
        }
    }
    layOut();
}

void CDIAGView::chooseFont() {
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, viewFont_, this, "Font");
    if (accepted) {
        applyViewFont(chosen);
    }
}

void CDIAGView::resizeEvent(QResizeEvent*) {
    layOut();
}

void CDIAGView::layOut() {
    const Edges client = Edges::of(rect());
    topRule_->setGeometry(Edges{client.left, client.top, client.right, client.top + kTopRuleHeight}.toRect());

    const Edges inner = client.shrunk(kMargin);
    const int W = inner.width();
    const int H = inner.height();

    const int selectorWidth = W - (3 * W) / 4;
    const int selectorHeight = unitSelector_->sizeHint().height();
    unitSelector_->setGeometry(inner.left, inner.top, selectorWidth, selectorHeight);
    // The opened list reaches down to half the view.
    const int listExtent = H - H / 2;
    const int itemHeight = std::max(1, unitSelector_->fontMetrics().height() + 2);
    unitSelector_->setMaxVisibleItems(std::max(1, (listExtent - selectorHeight) / itemHeight));

    const int Sw = unitSelector_->width();
    const int S = unitSelector_->height();
    versionBar_.place(Edges{inner.left + Sw + kMargin, inner.top, inner.right, inner.top + S}.toRect());

    const Edges panel{inner.left, inner.top + S + kMargin, inner.right, inner.bottom};
    const int L = panel.left;
    const int T = panel.top;
    const int R = panel.right;
    const int B = panel.bottom;
    const int w = panel.width();
    const int h = panel.height();
    const int e = h / 10 + 8;
    const int f = w / 5 + 8;
    const int g = (4 * w) / 5;

    grid_->setGeometry(Edges{L, T, R - f, B - e}.toRect());

    const int columnBottom = B - e;
    const int b1 = columnBottom + ((T - columnBottom) * 3) / 4;
    const int k = b1 - T;
    const Edges getVersion{L + g, T, R, b1};
    getVersion_->setGeometry(getVersion.toRect());
    write_->setGeometry(getVersion.movedBy(0, k).toRect());

    const Edges strip{L, T + (9 * h) / 10, R - g, B};
    all_->setGeometry(strip.toRect());
    clear_->setGeometry(strip.movedBy(strip.width(), 0).toRect());

    grid_->autoSizeColumns();
}

void CDIAGView::refresh() {
    if (document_.takeListReloaded()) {
        unitSelector_->clear();
        for (int index = 0; index < document_.units().count(); ++index) {
            unitSelector_->addItem(QString::fromStdString(document_.units().unit(index)->name()));
        }
        unitSelector_->setCurrentIndex(unitSelector_->count() > 0 ? 0 : -1);
    }
    if (document_.takeUnitChanged()) {
        data::UnitRecord* unit = document_.currentUnit();
        versionBar_.setRomValue(QString());
        versionBar_.setFileValue(unit != nullptr ? QString::fromStdString(unit->fileVersion().text())
                                                 : QString());
        grid_->fill(unit);
    }
    if (document_.takePortChanged()) {
        versionBar_.setAllVisible(document_.writingPort() == data::WritingPort::HostInterface);
        togglePanel();
    }
}

// From the creation state (all enabled, several rows at a time) one toggle
// gives the Card Direct state: one row at a time and only Write usable.
void CDIAGView::togglePanel() {
    const bool clearWasEnabled = clear_->isEnabled();
    grid_->setSingleSelect(clearWasEnabled);
    clear_->setEnabled(!clearWasEnabled);
    all_->setEnabled(!clearWasEnabled);
    getVersion_->setEnabled(!clearWasEnabled);
}

void CDIAGView::onUnitConfirmed(int index) {
    document_.selectUnit(index);
}

void CDIAGView::onCheckAll() {
    grid_->setAllChecks(true);
}

void CDIAGView::onClearAll() {
    grid_->setAllChecks(false);
}

void CDIAGView::onGetVersion() {
    getVersion_->setEnabled(false);
    if (document_.currentUnit() == nullptr ||
        !document_.startOperation(data::OperationCode::GetVersion, document_.currentUnitIndex(), false)) {
        // Nothing was started, so no end will ever be seen: the button
        // comes back at once instead of staying dead.
        getVersion_->setEnabled(document_.writingPort() == data::WritingPort::HostInterface);
        return;
    }
    pollTimer_.start(kPollPeriodMs, this);
}

void CDIAGView::onWrite() {
    if (document_.countSelectedRows() < 1) {
        return;
    }
    if (document_.startOperation(data::OperationCode::Write, document_.currentUnitIndex(), true)) {
        pollTimer_.start(kPollPeriodMs, this);
    }
}

void CDIAGView::pollOperation() {
    if (!document_.engine().pollDone()) {
        return;
    }
    pollTimer_.stop();
    if (viewMode_ == kListMode && document_.writingPort() == data::WritingPort::HostInterface) {
        getVersion_->setEnabled(true);
    }
    // Selecting the current unit again raises its changed flag and redraws
    // the grid and the version bar from what the engine wrote.
    document_.selectUnit(document_.currentUnitIndex());
}

void CDIAGView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == pollTimer_.timerId()) {
        pollOperation();
        return;
    }
    QWidget::timerEvent(event);
}

}  // namespace ui
