#include "view/UnitGridModel.h"

#include <algorithm>
#include <cstdio>

#include "data/UnitRecord.h"

namespace view {

namespace {

constexpr std::array<std::string_view, UnitGridModel::ColumnCount> kHeaders = {
    "", "To CPU", "ROM Ver", "File Ver", "File Name", "Top Adr", "Flash Adr"};

const std::string kNoText;

}  // namespace

std::string_view UnitGridModel::headerText(int column) {
    return column >= 0 && column < ColumnCount ? kHeaders[static_cast<std::size_t>(column)]
                                               : std::string_view();
}

std::string UnitGridModel::addressText(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%XH", static_cast<unsigned>(address));
    return text;
}

void UnitGridModel::beginFill(data::UnitRecord* unit) {
    populated_ = false;
    unit_ = unit;
    rows_.clear();
    const int count = unit != nullptr ? unit->rowCount() : 0;
    rows_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const data::ImageRow& image = *unit->row(index);
        Row row;
        row.checked = image.selectedFlag();
        row.cells[CpuColumn] = image.cpuName();
        row.cells[RomVersionColumn] = image.romVersionText();
        row.cells[FileVersionColumn] = image.fileVersionText();
        row.cells[FileNameColumn] = image.fileName();
        row.cells[TopAddressColumn] = addressText(image.topAddress());
        row.cells[FlashAddressColumn] = addressText(image.flashAddress());
        rows_.push_back(std::move(row));
    }
}

const std::string& UnitGridModel::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount) {
        return kNoText;
    }
    return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

bool UnitGridModel::isChecked(int row) const {
    return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].checked;
}

std::vector<std::string_view> UnitGridModel::columnTexts(int column) const {
    std::vector<std::string_view> texts{headerText(column)};
    for (int row = 0; row < rowCount(); ++row) {
        texts.emplace_back(cellText(row, column));
    }
    return texts;
}

UnitGridModel::CheckAnswer UnitGridModel::checkChanged(int row, bool checked) {
    CheckAnswer answer;
    if (!populated_ || unit_ == nullptr || row < 0 || row >= rowCount()) {
        return answer;
    }
    data::ImageRow* image = unit_->row(row);
    if (image == nullptr) {
        return answer;
    }
    Row& shown = rows_[static_cast<std::size_t>(row)];
    if (!checked) {
        shown.checked = false;
        image->setSelected(false);
        return answer;
    }
    if (!image->setSelected(true)) {
        // A CPU that cannot be selected does not keep a check mark it would
        // not be written with; refusing also reset its ROM version.
        shown.checked = false;
        shown.cells[RomVersionColumn] = image->romVersionText();
        answer.refused = true;
        answer.romText = shown.cells[RomVersionColumn];
        return answer;
    }
    shown.checked = true;
    if (singleSelect_) {
        for (int other = 0; other < rowCount(); ++other) {
            if (other != row && rows_[static_cast<std::size_t>(other)].checked) {
                answer.uncheck.push_back(other);
            }
        }
    }
    return answer;
}

bool UnitGridModel::setSingleSelect(bool singleSelect) {
    singleSelect_ = singleSelect;
    return !singleSelect;
}

int UnitGridModel::padding(int fittedHeaderWidth, int headerTextWidth, int cellNeeds) {
    return std::max(fittedHeaderWidth - headerTextWidth, cellNeeds);
}

int UnitGridModel::fitWidth(std::span<const int> textWidths, int padding) {
    int widest = 0;
    for (const int width : textWidths) {
        widest = std::max(widest, width);
    }
    return widest + padding;
}

}  // namespace view
