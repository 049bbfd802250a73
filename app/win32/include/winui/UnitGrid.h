#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "view/Rect.h"
#include "view/UnitGridModel.h"

namespace data {
class UnitRecord;
}

namespace winui {

// The report-style list of the main view: grid lines, whole-row selection,
// a header that does not sort and a check box per row. What it shows and how
// its check boxes behave is the grid model's; this class measures the texts
// and keeps the list in step. The parent passes on the list's
// item-changed notifications.
class UnitGrid {
  public:
    using Model = view::UnitGridModel;

    UnitGrid(HWND parent, int id);
    UnitGrid(const UnitGrid&) = delete;
    UnitGrid& operator=(const UnitGrid&) = delete;

    HWND hwnd() const { return list_; }

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
    int rowCount() const;
    int columnWidth(int column) const;
    std::string cellText(int row, int column) const;
    std::string headerText(int column) const;
    // Fits every column to its header and cells in the list's current font.
    void autoSizeColumns();

    // LVN_ITEMCHANGED from the list.
    void itemChanged(const NMLISTVIEW& change);

  private:
    int textWidth(std::string_view text) const;
    int checkColumnWidth() const;
    void measurePadding();
    void setCellText(int row, int column, const std::string& text);

    HWND list_ = nullptr;
    Model model_;
    int padding_ = 0;
};

}  // namespace winui
