#include "ui/UnitGrid.h"

#include "data/UnitRecord.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <array>

namespace ui {

namespace {

constexpr int kInitialColumnWidth = 10;
constexpr int kCellSpacing = 6;  // room between a cell's text and the grid lines
const std::array<const char*, UnitGrid::ColumnCount> kHeaders = {
    "", "To CPU", "ROM Ver", "File Ver", "File Name", "Top Adr", "Flash Adr"};

QTableWidgetItem* textItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

QTableWidgetItem* textItem(const std::string& text) {
    return textItem(QString::fromStdString(text));
}

}  // namespace

UnitGrid::UnitGrid(QWidget* parent) : QTableWidget(0, ColumnCount, parent) {
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
    for (int column = 0; column < ColumnCount; ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem(kHeaders[static_cast<std::size_t>(column)]));
        setColumnWidth(column, kInitialColumnWidth);
        setColumnWidth(column, headerFitWidth(column));
    }
    measurePadding();
    connect(this, &QTableWidget::itemChanged, this, &UnitGrid::onItemChanged);
}

QString UnitGrid::headerText(int column) {
    return column >= 0 && column < ColumnCount ? kHeaders[static_cast<std::size_t>(column)] : "";
}

QString UnitGrid::addressText(std::uint32_t address) {
    return QString::number(address, 16).toUpper() + 'H';
}

int UnitGrid::textWidth(const QString& text) const {
    return fontMetrics().horizontalAdvance(text);
}

int UnitGrid::headerFitWidth(int column) const {
    int width = horizontalHeader()->sectionSizeHint(column);
    if (column == CheckColumn) {
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

// The padding of a column is what fitting the header adds to its text, but
// never less than a cell needs around its text, so that no cell text is cut.
void UnitGrid::measurePadding() {
    const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    padding_ =
        std::max(headerFitWidth(CpuColumn) - textWidth(headerText(CpuColumn)), cellMargins + kCellSpacing);
}

void UnitGrid::fill(data::UnitRecord* unit) {
    populated_ = false;
    unit_ = unit;
    setRowCount(0);
    const int rows = unit != nullptr ? unit->rowCount() : 0;
    setRowCount(rows);
    for (int index = 0; index < rows; ++index) {
        const data::ImageRow* row = unit->row(index);
        auto* check = new QTableWidgetItem();
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(row->selectedFlag() ? Qt::Checked : Qt::Unchecked);
        setItem(index, CheckColumn, check);
        setItem(index, CpuColumn, textItem(row->cpuName()));
        setItem(index, RomVersionColumn, textItem(row->romVersionText()));
        setItem(index, FileVersionColumn, textItem(row->fileVersionText()));
        setItem(index, FileNameColumn, textItem(row->fileName()));
        setItem(index, TopAddressColumn, textItem(addressText(row->topAddress())));
        setItem(index, FlashAddressColumn, textItem(addressText(row->flashAddress())));
    }
    autoSizeColumns();
    populated_ = true;
}

void UnitGrid::autoSizeColumns() {
    measurePadding();
    setColumnWidth(CheckColumn, headerFitWidth(CheckColumn));
    for (int column = CpuColumn; column < ColumnCount; ++column) {
        int width = textWidth(headerText(column)) + padding_;
        for (int row = 0; row < rowCount(); ++row) {
            if (const QTableWidgetItem* cell = item(row, column)) {
                width = std::max(width, textWidth(cell->text()) + padding_);
            }
        }
        setColumnWidth(column, width);
    }
    const int rowHeight = std::max(fontMetrics().height() + 4, verticalHeader()->minimumSectionSize());
    verticalHeader()->setDefaultSectionSize(rowHeight);
}

void UnitGrid::setCheck(int row, bool checked) {
    if (QTableWidgetItem* check = item(row, CheckColumn)) {
        check->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void UnitGrid::setAllChecks(bool checked) {
    for (int row = 0; row < rowCount(); ++row) {
        setCheck(row, checked);
    }
}

bool UnitGrid::isChecked(int row) const {
    const QTableWidgetItem* check = item(row, CheckColumn);
    return check != nullptr && check->checkState() == Qt::Checked;
}

void UnitGrid::setSingleSelect(bool singleSelect) {
    singleSelect_ = singleSelect;
    setAllChecks(!singleSelect);
}

void UnitGrid::onItemChanged(QTableWidgetItem* changed) {
    if (!populated_ || changed == nullptr || changed->column() != CheckColumn || unit_ == nullptr) {
        return;
    }
    const int index = changed->row();
    data::ImageRow* row = unit_->row(index);
    if (row == nullptr) {
        return;
    }
    if (changed->checkState() == Qt::Checked) {
        if (!row->setSelected(true)) {
            // A CPU that cannot be selected does not keep a check mark it
            // would not be written with.
            changed->setCheckState(Qt::Unchecked);
            if (QTableWidgetItem* rom = item(index, RomVersionColumn)) {
                rom->setText(QString::fromStdString(row->romVersionText()));
            }
            return;
        }
        if (singleSelect_) {
            for (int other = 0; other < rowCount(); ++other) {
                if (other != index && isChecked(other)) {
                    setCheck(other, false);
                }
            }
        }
    } else {
        row->setSelected(false);
    }
}

void UnitGrid::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        autoSizeColumns();
    }
}

}  // namespace ui
