#include "winui/UnitGrid.h"

#include <algorithm>
#include <vector>

#include "platform/Utf16.h"
#include "winui/ScreenDc.h"
#include "winui/Window.h"

namespace winui {

namespace {

// Room the list keeps left and right of a cell's text.
constexpr int kCellMargins = 12;

// The state image of a row's check box: 1 unchecked, 2 checked.
bool checkedState(UINT state) {
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

}  // namespace

UnitGrid::UnitGrid(HWND parent, int id) {
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              Window::instance(), nullptr);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int column = 0; column < Model::ColumnCount; ++column) {
        std::wstring header = platform::widen(Model::headerText(column));
        LVCOLUMNW description{};
        description.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        description.fmt = LVCFMT_LEFT;
        description.cx = Model::kInitialColumnWidth;
        description.pszText = header.data();
        description.iSubItem = column;
        ListView_InsertColumn(list_, column, &description);
    }
    // Each column fits its header; the last one would stretch to the list's
    // edge that way and is fitted with the others below.
    for (int column = 0; column < Model::ColumnCount - 1; ++column) {
        ListView_SetColumnWidth(list_, column, LVSCW_AUTOSIZE_USEHEADER);
    }
    autoSizeColumns();
}

int UnitGrid::textWidth(std::string_view text) const {
    const ScreenDc screen;
    return screen.textWidth(reinterpret_cast<HFONT>(::SendMessageW(list_, WM_GETFONT, 0, 0)), text);
}

// Column 0 fits its (empty) header, but its check box must stay whole.
int UnitGrid::checkColumnWidth() const {
    ListView_SetColumnWidth(list_, Model::CheckColumn, LVSCW_AUTOSIZE_USEHEADER);
    int width = ListView_GetColumnWidth(list_, Model::CheckColumn);
    int boxWidth = 0;
    int boxHeight = 0;
    if (HIMAGELIST boxes = ListView_GetImageList(list_, LVSIL_STATE)) {
        ImageList_GetIconSize(boxes, &boxWidth, &boxHeight);
    }
    return std::max(width, boxWidth + kCellMargins);
}

// P: how much fitting column 1 to its header adds to the header's text.
void UnitGrid::measurePadding() {
    ListView_SetColumnWidth(list_, Model::CpuColumn, LVSCW_AUTOSIZE_USEHEADER);
    padding_ = Model::padding(ListView_GetColumnWidth(list_, Model::CpuColumn),
                              textWidth(Model::headerText(Model::CpuColumn)), kCellMargins);
}

void UnitGrid::fill(data::UnitRecord* unit) {
    model_.beginFill(unit);
    ListView_DeleteAllItems(list_);
    for (int row = 0; row < model_.rowCount(); ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertItem(list_, &item);
        ListView_SetCheckState(list_, row, model_.isChecked(row) ? TRUE : FALSE);
        for (int column = Model::CpuColumn; column < Model::ColumnCount; ++column) {
            setCellText(row, column, model_.cellText(row, column));
        }
    }
    autoSizeColumns();
    model_.endFill();
}

void UnitGrid::setCellText(int row, int column, const std::string& text) {
    std::wstring wide = platform::widen(text);
    ListView_SetItemText(list_, row, column, wide.data());
}

void UnitGrid::autoSizeColumns() {
    measurePadding();
    ListView_SetColumnWidth(list_, Model::CheckColumn, checkColumnWidth());
    for (int column = Model::CpuColumn; column < Model::ColumnCount; ++column) {
        std::vector<int> widths;
        for (const std::string_view text : model_.columnTexts(column)) {
            widths.push_back(textWidth(text));
        }
        ListView_SetColumnWidth(list_, column, Model::fitWidth(widths, padding_));
    }
}

void UnitGrid::setCheck(int row, bool checked) {
    ListView_SetCheckState(list_, row, checked ? TRUE : FALSE);
}

void UnitGrid::setAllChecks(bool checked) {
    for (int row = 0; row < rowCount(); ++row) {
        setCheck(row, checked);
    }
}

bool UnitGrid::isChecked(int row) const {
    return ListView_GetCheckState(list_, row) != FALSE;
}

void UnitGrid::setSingleSelect(bool singleSelect) {
    setAllChecks(model_.setSingleSelect(singleSelect));
}

int UnitGrid::rowCount() const {
    return ListView_GetItemCount(list_);
}

int UnitGrid::columnWidth(int column) const {
    return ListView_GetColumnWidth(list_, column);
}

std::string UnitGrid::cellText(int row, int column) const {
    wchar_t text[512] = {};
    ListView_GetItemText(list_, row, column, text, 512);
    return platform::narrow(text);
}

std::string UnitGrid::headerText(int column) const {
    wchar_t text[128] = {};
    LVCOLUMNW description{};
    description.mask = LVCF_TEXT;
    description.pszText = text;
    description.cchTextMax = 128;
    ListView_GetColumn(list_, column, &description);
    return platform::narrow(text);
}

void UnitGrid::itemChanged(const NMLISTVIEW& change) {
    if ((change.uChanged & LVIF_STATE) == 0 || change.iItem < 0 ||
        ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
        return;  // focus and selection changes
    }
    // A new row gets its first state image: not a change of its box.
    if ((change.uOldState & LVIS_STATEIMAGEMASK) == 0) {
        return;
    }
    const int row = change.iItem;
    const Model::CheckAnswer answer = model_.checkChanged(row, checkedState(change.uNewState));
    if (answer.refused) {
        setCheck(row, false);
        setCellText(row, Model::RomVersionColumn, answer.romText);
    }
    for (const int other : answer.uncheck) {
        setCheck(other, false);
    }
}

}  // namespace winui
