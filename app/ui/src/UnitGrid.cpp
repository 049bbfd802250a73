#include "ui/UnitGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <vector>

namespace ui {

namespace {

constexpr int kCellSpacing = 6;  // room between a cell's text and the grid lines

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem* textItem(std::string_view text) {
    auto* item = new QTableWidgetItem(fromUtf8(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

Qt::CheckState checkState(bool checked) {
    return checked ? Qt::Checked : Qt::Unchecked;
}

}  // namespace

UnitGrid::UnitGrid(QWidget* parent) : QTableWidget(0, Model::ColumnCount, parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    for (int column = 0; column < Model::ColumnCount; ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem(fromUtf8(Model::headerText(column))));
        setColumnWidth(column, Model::kInitialColumnWidth);
        setColumnWidth(column, headerFitWidth(column));
    }
    measurePadding();
    connect(this, &QTableWidget::itemChanged, this, &UnitGrid::onItemChanged);
}

int UnitGrid::textWidth(std::string_view text) const {
    return fontMetrics().horizontalAdvance(fromUtf8(text));
}

int UnitGrid::headerFitWidth(int column) const {
    int width = horizontalHeader()->sectionSizeHint(column);
    if (column == Model::CheckColumn) {
        // The check box lives in this column; it must stay whole.
        QStyleOptionViewItem option;
        option.initFrom(this);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
        const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
        width = std::max(width, indicator + 4 * margin);
    }
    return width;
}

// A cell draws its text inside focus-frame margins; the padding never lets
// that cut a text.
void UnitGrid::measurePadding() {
    const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    padding_ = Model::padding(headerFitWidth(Model::CpuColumn),
                              textWidth(Model::headerText(Model::CpuColumn)), cellMargins + kCellSpacing);
}

void UnitGrid::fill(data::UnitRecord* unit) {
    model_.beginFill(unit);
    setRowCount(0);
    setRowCount(model_.rowCount());
    for (int row = 0; row < model_.rowCount(); ++row) {
        auto* check = new QTableWidgetItem();
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(checkState(model_.isChecked(row)));
        setItem(row, Model::CheckColumn, check);
        for (int column = Model::CpuColumn; column < Model::ColumnCount; ++column) {
            setItem(row, column, textItem(model_.cellText(row, column)));
        }
    }
    autoSizeColumns();
    model_.endFill();
}

void UnitGrid::autoSizeColumns() {
    measurePadding();
    setColumnWidth(Model::CheckColumn, headerFitWidth(Model::CheckColumn));
    for (int column = Model::CpuColumn; column < Model::ColumnCount; ++column) {
        std::vector<int> widths;
        for (const std::string_view text : model_.columnTexts(column)) {
            widths.push_back(textWidth(text));
        }
        setColumnWidth(column, Model::fitWidth(widths, padding_));
    }
    const int rowHeight = std::max(fontMetrics().height() + 4, verticalHeader()->minimumSectionSize());
    verticalHeader()->setDefaultSectionSize(rowHeight);
}

void UnitGrid::setCheck(int row, bool checked) {
    if (QTableWidgetItem* check = item(row, Model::CheckColumn)) {
        check->setCheckState(checkState(checked));
    }
}

void UnitGrid::setAllChecks(bool checked) {
    for (int row = 0; row < rowCount(); ++row) {
        setCheck(row, checked);
    }
}

bool UnitGrid::isChecked(int row) const {
    const QTableWidgetItem* check = item(row, Model::CheckColumn);
    return check != nullptr && check->checkState() == Qt::Checked;
}

void UnitGrid::setSingleSelect(bool singleSelect) {
    setAllChecks(model_.setSingleSelect(singleSelect));
}

void UnitGrid::onItemChanged(QTableWidgetItem* changed) {
    if (changed == nullptr || changed->column() != Model::CheckColumn) {
        return;
    }
    const int row = changed->row();
    const Model::CheckAnswer answer = model_.checkChanged(row, changed->checkState() == Qt::Checked);
    if (answer.refused) {
        setCheck(row, false);
        if (QTableWidgetItem* rom = item(row, Model::RomVersionColumn)) {
            rom->setText(QString::fromStdString(answer.romText));
        }
    }
    for (const int other : answer.uncheck) {
        setCheck(other, false);
    }
}

void UnitGrid::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        autoSizeColumns();
    }
}

}  // namespace ui
