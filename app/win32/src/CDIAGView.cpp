#include "winui/CDIAGView.h"

#include <commdlg.h>

#include <algorithm>

#include "core/FontSetting.h"
#include "platform/Utf16.h"
#include "view/MainViewLayout.h"
#include "view/ViewFont.h"
#include "winui/ControlColours.h"
#include "winui/ScreenDc.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::MainViewLogic;

// The etched line's own height.
constexpr int kTopRuleHeight = 2;
constexpr int kTenthsPerInch = 720;

HWND createControl(HWND parent, const wchar_t* className, const char* text, DWORD style, int id) {
    return ::CreateWindowExW(0, className, platform::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                             0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Window::instance(),
                             nullptr);
}

// A point font of the face in tenths of a point, as the settings describe it.
LOGFONTW pointFont(const view::ViewFont& font) {
    const ScreenDc screen;
    LOGFONTW description{};
    description.lfHeight = -::MulDiv(font.tenthsOfPoint, screen.dotsPerInchY(), kTenthsPerInch);
    description.lfWeight = font.weight;
    description.lfItalic = font.italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = platform::widen(font.faceName);
    std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), description.lfFaceName);
    return description;
}

}  // namespace

CDIAGView::CDIAGView(data::CDIAGDoc& document, HWND frame, const view::Rect& rect) : logic_(document) {
    ClassStyle style;
    style.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    style.background = ::GetSysColorBrush(COLOR_BTNFACE);
    registerClass(kClassName, style);
    create(kClassName, 0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, L"", rect, frame, nullptr);

    topRule_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 0,
                                 kTopRuleHeight, hwnd(), nullptr, instance(), nullptr);
    selector_ = ::CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL |
                                      WS_TABSTOP | CBS_DROPDOWNLIST,
                                  0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSelectorId)),
                                  instance(), nullptr);
    versionBar_ = std::make_unique<VersionBar>(hwnd());
    grid_ = std::make_unique<UnitGrid>(hwnd(), kGridId);
    getVersion_ = createControl(hwnd(), WC_BUTTONW, MainViewLogic::kGetVersionText, BS_PUSHBUTTON | WS_TABSTOP,
                                kGetVersionId);
    write_ = createControl(hwnd(), WC_BUTTONW, MainViewLogic::kWriteText, BS_PUSHBUTTON | WS_TABSTOP, kWriteId);
    all_ = createControl(hwnd(), WC_BUTTONW, MainViewLogic::kAllText, BS_PUSHBUTTON | WS_TABSTOP, kAllId);
    clear_ = createControl(hwnd(), WC_BUTTONW, MainViewLogic::kClearText, BS_PUSHBUTTON | WS_TABSTOP, kClearId);
    layOut();
}

void CDIAGView::setFontSetting(const core::FontSetting& setting) {
    const view::ViewFont described = view::ViewFont::fromSetting(setting);
    // The point font is made in the face's own weight first, then made again
    // from its own description when bold or italic is asked.
    view::ViewFont plain = described;
    plain.weight = view::ViewFont::kDefaultWeight;
    plain.italic = false;
    LOGFONTW description = pointFont(plain);
    FontHandle font(::CreateFontIndirectW(&description));
    if ((described.bold() || described.italic) && font) {
        ::GetObjectW(font.get(), sizeof description, &description);
        description.lfWeight = described.weight;
        description.lfItalic = described.italic ? TRUE : FALSE;
        font.reset(::CreateFontIndirectW(&description));
    }
    applyViewFont(std::move(font));
}

void CDIAGView::applyViewFont(FontHandle font) {
    const WPARAM handle = reinterpret_cast<WPARAM>(font.get());
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, handle, TRUE);
    }
    layOut();
    viewFont_ = std::move(font);  // the previous font goes now
}

void CDIAGView::chooseFont() {
    LOGFONTW description{};
    if (viewFont_) {
        ::GetObjectW(viewFont_.get(), sizeof description, &description);
    }
    CHOOSEFONTW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = ::GetAncestor(hwnd(), GA_ROOT);
    chooser.lpLogFont = &description;
    chooser.Flags = CF_SCREENFONTS | (viewFont_ ? CF_INITTOLOGFONTSTRUCT : 0);
    if (::ChooseFontW(&chooser)) {
        applyViewFont(FontHandle(::CreateFontIndirectW(&description)));
    }
}

void CDIAGView::layOut() {
    if (grid_ == nullptr) {
        return;
    }
    const view::Rect client = clientRect(hwnd());
    placeWindow(selector_, view::MainViewLayout::selectorDropRect(client));
    const view::Rect closed = clientRect(selector_);
    const view::MainViewLayout layout = view::MainViewLayout::arrange(
        client, rectInParent(topRule_).height(), closed.width(), closed.height());
    placeWindow(topRule_, layout.topRule);
    versionBar_->place(layout.versionCells);
    placeWindow(grid_->hwnd(), layout.grid);
    placeWindow(getVersion_, layout.getVersion);
    placeWindow(write_, layout.write);
    placeWindow(all_, layout.all);
    placeWindow(clear_, layout.clear);
    grid_->autoSizeColumns();
}

void CDIAGView::refresh() {
    const view::MainViewUpdate update = logic_.takeUpdate();
    if (update.unitNames) {
        ::SendMessageW(selector_, CB_RESETCONTENT, 0, 0);
        for (const std::string& name : *update.unitNames) {
            ::SendMessageW(selector_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::widen(name).c_str()));
        }
        ::SendMessageW(selector_, CB_SETCURSEL, update.unitNames->empty() ? static_cast<WPARAM>(-1) : 0, 0);
    }
    if (update.unit) {
        versionBar_->setRomValue(update.unit->romValue);
        versionBar_->setFileValue(update.unit->fileValue);
        grid_->fill(update.unit->unit);
    }
    if (update.versionBarShown) {
        versionBar_->setAllVisible(*update.versionBarShown);
        togglePanel();
    }
}

void CDIAGView::togglePanel() {
    const view::PanelState panel = MainViewLogic::togglePanel(::IsWindowEnabled(clear_) != FALSE);
    grid_->setSingleSelect(panel.singleSelect);
    ::EnableWindow(clear_, panel.clearEnabled);
    ::EnableWindow(all_, panel.allEnabled);
    ::EnableWindow(getVersion_, panel.getVersionEnabled);
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
    ::EnableWindow(getVersion_, FALSE);
    const MainViewLogic::GetVersionStart start = logic_.startGetVersion();
    if (!start.started) {
        ::EnableWindow(getVersion_, start.getVersionEnabled);
        return;
    }
    polling_ = true;
    ::SetTimer(hwnd(), MainViewLogic::kPollTimerId, MainViewLogic::kPollPeriodMs, nullptr);
}

void CDIAGView::onWrite() {
    if (logic_.startWrite()) {
        polling_ = true;
        ::SetTimer(hwnd(), MainViewLogic::kPollTimerId, MainViewLogic::kPollPeriodMs, nullptr);
    }
}

void CDIAGView::pollOperation() {
    const MainViewLogic::PollAnswer answer = logic_.poll();
    if (!answer.ended) {
        return;
    }
    ::KillTimer(hwnd(), MainViewLogic::kPollTimerId);
    polling_ = false;
    if (answer.enableGetVersion) {
        ::EnableWindow(getVersion_, TRUE);
    }
}

void CDIAGView::command(int id, int notification) {
    switch (id) {
        case kSelectorId:
            if (notification == CBN_SELENDOK) {
                onUnitConfirmed(static_cast<int>(::SendMessageW(selector_, CB_GETCURSEL, 0, 0)));
            }
            return;
        case kGetVersionId:
            onGetVersion();
            return;
        case kWriteId:
            onWrite();
            return;
        case kAllId:
            onCheckAll();
            return;
        case kClearId:
            onClearAll();
            return;
        default:
            return;
    }
}

LRESULT CDIAGView::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                command(LOWORD(wParam), HIWORD(wParam));
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (grid_ != nullptr && header->hwndFrom == grid_->hwnd() && header->code == LVN_ITEMCHANGED) {
                grid_->itemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
                return 0;
            }
            break;
        }
        case WM_TIMER:
            if (wParam == MainViewLogic::kPollTimerId) {
                pollOperation();
                return 0;
            }
            break;
        case WM_SIZE:
            layOut();
            return 0;
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
