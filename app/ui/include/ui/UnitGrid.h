#pragma once

#include <QTableWidget>

#include "view/UnitGridModel.h"

namespace data {
class UnitRecord;
}

namespace ui {

// The report-style list of the main view: grid lines, whole-row selection, a
// header that does not sort and a check box per row. What it shows and how
// its check boxes behave is the grid model's; a check box the user changes
// writes through to its image row.
class UnitGrid : public QTableWidget {
    Q_OBJECT

  public:
    using Model = view::UnitGridModel;

    explicit UnitGrid(QWidget* parent = nullptr);

    // Shows the rows of unit (none for a null unit). Setting the check boxes
    // from the records does not write back into them.
    void fill(data::UnitRecord* unit);
    void setCheck(int row, bool checked);
    void setAllChecks(bool checked);
    bool isChecked(int row) const;
    // Setting unchecks every row, clearing checks every row.
    void setSingleSelect(bool singleSelect);
    bool singleSelect() const { return model_.singleSelect(); }
    bool populated() const { return model_.populated(); }
    int padding() const { return padding_; }
    // Fits every column to its header and cells.
    void autoSizeColumns();

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void onItemChanged(QTableWidgetItem* item);
    int textWidth(std::string_view text) const;
    int headerFitWidth(int column) const;
    void measurePadding();

    Model model_;
    int padding_ = 0;
};

}  // namespace ui
