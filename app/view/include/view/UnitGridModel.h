#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace data {
class UnitRecord;
}

namespace view {

// What the image grid of the main view shows and how its check boxes behave:
// one row per image row of the current unit, a check box per row for the
// selected-for-writing flag, and the cell texts of the six text columns. The
// front end keeps a report-style list in step with it: it shows the rows
// after a fill, reports every change of a check box, and does what the
// answer says. Column widths come from text widths the front end measures.
class UnitGridModel {
  public:
    enum Column {
        CheckColumn = 0,
        CpuColumn,
        RomVersionColumn,
        FileVersionColumn,
        FileNameColumn,
        TopAddressColumn,
        FlashAddressColumn,
        ColumnCount
    };

    // Each column is inserted this wide and then fitted to its header.
    static constexpr int kInitialColumnWidth = 10;

    // What the front end does after a check box changed.
    struct CheckAnswer {
        // The row cannot be selected: uncheck its box again and show romText
        // in its ROM cell.
        bool refused = false;
        std::string romText;
        // Single-select: uncheck these rows (each change comes back here).
        std::vector<int> uncheck;
    };

    static std::string_view headerText(int column);
    // "%XH": upper-case hexadecimal without leading zeros, then H.
    static std::string addressText(std::uint32_t address);

    // A fill takes the rows of unit (none for a null unit). Between
    // beginFill and endFill the grid is not populated: the front end sets the
    // boxes from the records, and the changes it reports are ignored, so
    // nothing is written back into the records.
    void beginFill(data::UnitRecord* unit);
    void endFill() { populated_ = true; }
    bool populated() const { return populated_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Empty for a cell outside the grid and for the check column.
    const std::string& cellText(int row, int column) const;
    // The mark the row's box should show.
    bool isChecked(int row) const;
    // The texts a column is fitted to: its header, then each cell.
    std::vector<std::string_view> columnTexts(int column) const;

    // A check box became checked or unchecked; focus and selection changes
    // are not reported. Checking writes 1 into the row's flag (a CPU that
    // cannot be selected refuses), unchecking writes 0.
    CheckAnswer checkChanged(int row, bool checked);
    // The mark of every row when the mode changes: setting single-select
    // unchecks every row, clearing it checks every row.
    bool setSingleSelect(bool singleSelect);
    bool singleSelect() const { return singleSelect_; }

    // The padding P of every text column: how much fitting column 1 to its
    // header added to the header's text width, but at least what the front
    // end's cells need around their text.
    static int padding(int fittedHeaderWidth, int headerTextWidth, int cellNeeds = 0);
    // A text column's width: its widest text (the header's and each cell's
    // measured width) plus P.
    static int fitWidth(std::span<const int> textWidths, int padding);

  private:
    struct Row {
        bool checked = false;
        std::array<std::string, ColumnCount> cells;
    };

    data::UnitRecord* unit_ = nullptr;
    std::vector<Row> rows_;
    bool populated_ = false;
    bool singleSelect_ = false;
};

}  // namespace view
