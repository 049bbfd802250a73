#include "winui/StatusWindow.h"

#include "platform/Utf16.h"
#include "view/StatusFeed.h"
#include "winui/ControlColours.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::StatusWindowLayout;
using view::StatusWindowRefresh;

// The window is made this size and then placed over the main window.
constexpr int kFirstWidth = 320;
constexpr int kFirstHeight = 240;

}  // namespace

StatusWindow::Controls::Controls(HWND window)
    : fileName(InfoPane::Kind::FileName, StatusWindowLayout::kFileNameCaption, window),
      address(InfoPane::Kind::Address, StatusWindowLayout::kAddressCaption, window),
      checkSum(InfoPane::Kind::CheckSum, StatusWindowLayout::kCheckSumCaption, window),
      statusLine(window, 0, BlinkStatic::kValueCellStyle | WS_VISIBLE),
      current(StatusWindowLayout::kCurrentCaption, window),
      total(StatusWindowLayout::kTotalCaption, window) {
    BlinkStatic::makeValueCell(statusLine);
}

StatusWindow::StatusWindow(view::StatusFeed& feed, HWND mainWindow) : feed_(feed), mainWindow_(mainWindow) {
    ClassStyle style;
    style.background = ::GetSysColorBrush(COLOR_BTNFACE);
    registerClass(kClassName, style);
    create(kClassName, 0, WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN,
           platform::widen(StatusWindowLayout::kWindowText),
           view::Rect::ofSize(0, 0, kFirstWidth, kFirstHeight), mainWindow, nullptr);
    // The group box lies under the panes: it is made first.
    group_ = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 0, 0, hwnd(),
                               nullptr, instance(), nullptr);
    controls_ = std::make_unique<Controls>(hwnd());
    button_ =
        ::CreateWindowExW(0, L"BUTTON", platform::widen(StatusWindowRefresh::kCancelCaption).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), instance(), nullptr);

    RECT owner{};
    ::GetWindowRect(::GetAncestor(mainWindow_, GA_ROOT), &owner);
    const view::Rect placement = StatusWindowLayout::placement(toRect(owner));
    ::SetWindowPos(hwnd(), nullptr, placement.left, placement.top, placement.width(), placement.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    ::SetTimer(hwnd(), StatusWindowRefresh::kTimerId, StatusWindowRefresh::kPeriodMs, nullptr);
    ::EnableWindow(hwnd(), TRUE);
    ::ShowWindow(hwnd(), SW_SHOW);
}

StatusWindow::~StatusWindow() {
    if (exists()) {
        ::KillTimer(hwnd(), StatusWindowRefresh::kTimerId);
    }
}

void StatusWindow::layOut() {
    const StatusWindowLayout layout = StatusWindowLayout::arrange(clientRect(hwnd()));
    placeWindow(group_, layout.group);
    controls_->fileName.place(layout.fileName);
    controls_->address.place(layout.address);
    controls_->checkSum.place(layout.checkSum);
    placeWindow(controls_->statusLine.hwnd(), layout.statusLine);
    controls_->current.place(layout.current);
    controls_->total.place(layout.total);
    placeWindow(button_, layout.button);
}

void StatusWindow::applyFont(HFONT font) {
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void StatusWindow::refresh() {
    const StatusWindowRefresh::Changes changes = refresh_.refresh(feed_.snapshot(), feed_.isDone());
    const view::StatusCells& shown = refresh_.shown();
    if (changes.has(StatusWindowRefresh::GroupTitle)) {
        setWindowText(group_, shown.groupTitle);
    }
    const auto writeCell = [&changes](StatusWindowRefresh::Change change, BlinkStatic* cell,
                                      const std::string& text) {
        if (changes.has(change) && cell != nullptr) {
            cell->setText(text);
        }
    };
    writeCell(StatusWindowRefresh::FileName, &controls_->fileName.valueCell(), shown.fileName);
    writeCell(StatusWindowRefresh::LowAddress, &controls_->address.valueCell(), shown.lowAddress);
    writeCell(StatusWindowRefresh::HighAddress, controls_->address.highValueCell(), shown.highAddress);
    writeCell(StatusWindowRefresh::CheckSum, &controls_->checkSum.valueCell(), shown.checksum);
    if (changes.has(StatusWindowRefresh::StatusColour)) {
        controls_->statusLine.setColourA(shown.statusColour);
    }
    if (changes.has(StatusWindowRefresh::Blinking)) {
        controls_->statusLine.setBlinking(shown.blinking);
    }
    if (changes.has(StatusWindowRefresh::StatusText)) {
        controls_->statusLine.setText(shown.statusText);
    }
    if (changes.has(StatusWindowRefresh::TotalRange)) {
        controls_->total.setUpperRange(shown.totalRange);
    }
    if (changes.has(StatusWindowRefresh::TotalPos)) {
        controls_->total.setPosition(shown.totalPos);
    }
    if (changes.has(StatusWindowRefresh::CurrentRange)) {
        controls_->current.setUpperRange(shown.currentRange);
    }
    if (changes.has(StatusWindowRefresh::CurrentPos)) {
        controls_->current.setPosition(shown.currentPos);
    }
    if (changes.has(StatusWindowRefresh::ButtonEnabled)) {
        ::EnableWindow(button_, shown.buttonEnabled ? TRUE : FALSE);
    }
    if (changes.has(StatusWindowRefresh::ButtonCaption)) {
        setWindowText(button_, shown.buttonCaption);
    }
}

// The button closes the window in either state and tells the engine.
void StatusWindow::onButton() {
    ::KillTimer(hwnd(), StatusWindowRefresh::kTimerId);
    ::SetWindowPos(::GetAncestor(mainWindow_, GA_ROOT), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(hwnd());
    feed_.pressButton();
}

LRESULT StatusWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == StatusWindowRefresh::kTimerId) {
                refresh();
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
                onButton();
                return 0;
            }
            break;
        case WM_CLOSE:
            return 0;  // only the button closes the window
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = ControlColours::forward(wParam, lParam)) {
                return reinterpret_cast<LRESULT>(brush);
            }
            break;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
