#include "ui/CDIAGView.h"

#include "core/FontSetting.h"
#include "ui/BlinkStatic.h"
#include "ui/UnitGrid.h"
#include "ui/ViewGeometry.h"
#include "view/MainViewLayout.h"
#include "view/ViewFont.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>

namespace ui {

namespace {

using view::MainViewLogic;

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
      logic_(document),
      topRule_(new QFrame(this)),
      unitSelector_(new QComboBox(this)),
      versionBar_(this),
      grid_(new UnitGrid(this)),
      getVersion_(makeButton(MainViewLogic::kGetVersionText, this)),
      write_(makeButton(MainViewLogic::kWriteText, this)),
      all_(makeButton(MainViewLogic::kAllText, this)),
      clear_(makeButton(MainViewLogic::kClearText, this)) {
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
    logic_.setAdvanced(advanced);
}

void CDIAGView::setFontSetting(const core::FontSetting& setting) {
    const view::ViewFont described = view::ViewFont::fromSetting(setting);
    QFont font(QString::fromStdString(described.faceName));
    font.setPointSize(described.pointSize());
    font.setWeight(described.bold() ? static_cast<QFont::Weight>(described.weight) : QFont::Normal);
    font.setItalic(described.italic);
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
    const view::Rect client = toRect(rect());
    const view::Rect drop = view::MainViewLayout::selectorDropRect(client);
    const int closedHeight = unitSelector_->sizeHint().height();
    unitSelector_->setGeometry(drop.left, drop.top, drop.width(), closedHeight);
    // The opened list reaches down as far as the drop rectangle.
    const int itemHeight = std::max(1, unitSelector_->fontMetrics().height() + 2);
    unitSelector_->setMaxVisibleItems(std::max(1, (drop.height() - closedHeight) / itemHeight));

    const view::MainViewLayout layout = view::MainViewLayout::arrange(
        client, topRule_->height(), unitSelector_->width(), unitSelector_->height());
    topRule_->setGeometry(toQRect(layout.topRule));
    versionBar_.place(layout.versionCells);
    grid_->setGeometry(toQRect(layout.grid));
    getVersion_->setGeometry(toQRect(layout.getVersion));
    write_->setGeometry(toQRect(layout.write));
    all_->setGeometry(toQRect(layout.all));
    clear_->setGeometry(toQRect(layout.clear));
    grid_->autoSizeColumns();
}

void CDIAGView::refresh() {
    const view::MainViewUpdate update = logic_.takeUpdate();
    if (update.unitNames) {
        unitSelector_->clear();
        for (const std::string& name : *update.unitNames) {
            unitSelector_->addItem(QString::fromStdString(name));
        }
        unitSelector_->setCurrentIndex(unitSelector_->count() > 0 ? 0 : -1);
    }
    if (update.unit) {
        versionBar_.setRomValue(QString::fromStdString(update.unit->romValue));
        versionBar_.setFileValue(QString::fromStdString(update.unit->fileValue));
        grid_->fill(update.unit->unit);
    }
    if (update.versionBarShown) {
        versionBar_.setAllVisible(*update.versionBarShown);
        togglePanel();
    }
}

void CDIAGView::togglePanel() {
    const view::PanelState panel = MainViewLogic::togglePanel(clear_->isEnabled());
    grid_->setSingleSelect(panel.singleSelect);
    clear_->setEnabled(panel.clearEnabled);
    all_->setEnabled(panel.allEnabled);
    getVersion_->setEnabled(panel.getVersionEnabled);
}

void CDIAGView::onUnitConfirmed(int index) {
    logic_.unitConfirmed(index);
}

void CDIAGView::onCheckAll() {
    grid_->setAllChecks(true);
}

void CDIAGView::onClearAll() {
    grid_->setAllChecks(false);
}

void CDIAGView::onGetVersion() {
    getVersion_->setEnabled(false);
    const MainViewLogic::GetVersionStart start = logic_.startGetVersion();
    if (!start.started) {
        getVersion_->setEnabled(start.getVersionEnabled);
        return;
    }
    pollTimer_.start(MainViewLogic::kPollPeriodMs, this);
}

void CDIAGView::onWrite() {
    if (logic_.startWrite()) {
        pollTimer_.start(MainViewLogic::kPollPeriodMs, this);
    }
}

void CDIAGView::pollOperation() {
    const MainViewLogic::PollAnswer answer = logic_.poll();
    if (!answer.ended) {
        return;
    }
    pollTimer_.stop();
    if (answer.enableGetVersion) {
        getVersion_->setEnabled(true);
    }
}

void CDIAGView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == pollTimer_.timerId()) {
        pollOperation();
        return;
    }
    QWidget::timerEvent(event);
}

}  // namespace ui
