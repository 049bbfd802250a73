#pragma once

#include <QTableWidget>

namespace data {
class UnitRecord;
}

namespace ui {

// The report-style list of the main view: one row per image row of the
// current unit, a check box per row for the selected-for-writing flag, grid
// lines, whole-row selection and a header that does not sort. A check box
// the user changes writes through to its image row.
class UnitGrid : public QTableWidget {
    Q_OBJECT

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

    explicit UnitGrid(QWidget* parent = nullptr);

    // Shows the rows of unit (none for a null unit). Setting the check boxes
    // from the records does not write back into them.
    void fill(data::UnitRecord* unit);
    void setCheck(int row, bool checked);
    void setAllChecks(bool checked);
    bool isChecked(int row) const;
    // Setting unchecks every row, clearing checks every row.
    void setSingleSelect(bool singleSelect);
    bool singleSelect() const { return singleSelect_; }
    bool populated() const { return populated_; }
    int padding() const { return padding_; }
    // Fits every column to its header and cells.
    void autoSizeColumns();

    // A cell text of the address columns.
    static QString addressText(std::uint32_t address);
    static QString headerText(int column);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void onItemChanged(QTableWidgetItem* item);
    int textWidth(const QString& text) const;
    int headerFitWidth(int column) const;
    void measurePadding();

    data::UnitRecord* unit_ = nullptr;
    bool populated_ = false;
    bool singleSelect_ = false;
    int padding_ = 0;
};

}  // namespace ui
