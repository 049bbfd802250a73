#include "winui/CQButton.h"

#include <windowsx.h>

#include <vector>

#include "platform/Utf16.h"
#include "winui/FontTable.h"
#include "winui/ResourceIds.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::ButtonState;

UINT frameControlState(ButtonState::PaintState state) {
    switch (state) {
        case ButtonState::Checked:
            return DFCS_BUTTONPUSH | DFCS_CHECKED;
        case ButtonState::Inactive:
            return DFCS_BUTTONPUSH | DFCS_INACTIVE;
        case ButtonState::InactiveChecked:
            return DFCS_BUTTONPUSH | DFCS_INACTIVE | DFCS_CHECKED;
        case ButtonState::Pushed:
            return DFCS_BUTTONPUSH | DFCS_PUSHED;
        case ButtonState::Plain:
            break;
    }
    return DFCS_BUTTONPUSH;
}

std::wstring cutText(std::string_view text) {
    std::wstring wide = platform::widen(text);
    if (wide.size() > static_cast<std::size_t>(ButtonState::kMaxTextLength)) {
        wide.resize(ButtonState::kMaxTextLength);
    }
    return wide;
}

}  // namespace

void CQButton::registerButtonClass() {
    ClassStyle style;
    style.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    style.cursor = static_cast<HCURSOR>(::LoadImageW(instance(), MAKEINTRESOURCEW(FLASHKIT_IDC_BUTTON_CURSOR),
                                                     IMAGE_CURSOR, 32, 32, LR_DEFAULTCOLOR));
    registerClass(kClassName, style);
}

CQButton::CQButton(std::string_view text, DWORD style, const view::Rect& rect, HWND parent, int commandId,
                   Kind kind)
    : state_(kind), commandId_(commandId) {
    registerButtonClass();
    create(kClassName, 0, style | WS_CHILD | static_cast<DWORD>(kind), cutText(text), rect, parent,
           reinterpret_cast<HMENU>(static_cast<INT_PTR>(commandId)));
    ::GetClientRect(hwnd(), &clientRect_);
}

bool CQButton::isButton(HWND window) {
    wchar_t name[32] = {};
    return window != nullptr && ::GetClassNameW(window, name, 32) > 0 &&
           std::wstring_view(name) == kClassName;
}

std::string CQButton::text() const {
    return windowText(hwnd());
}

CQButton::PaintState CQButton::drawState() const {
    return state_.drawState(::IsWindowEnabled(hwnd()) != FALSE);
}

void CQButton::setButtonFont(const view::FontRequest& request) {
    fontIndex_ = FontTable::buttons().acquire(request);
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

int CQButton::setCheck(int state, bool notify) {
    const ButtonState::CheckChange change = state_.setCheck(state, notify);
    follow(change.reaction, true);
    return change.result;
}

void CQButton::takeFocus() {
    ::SetFocus(hwnd());
}

void CQButton::setTextColour(view::Rgb colour) {
    textColour_ = colour;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void CQButton::setDisabledTextColour(view::Rgb colour) {
    disabledTextColour_ = colour;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void CQButton::follow(const view::ButtonReaction& reaction, bool repaintAtOnce) {
    if (reaction.repaint) {
        ::InvalidateRect(hwnd(), nullptr, FALSE);
        if (repaintAtOnce) {
            ::UpdateWindow(hwnd());
        }
    }
    if (reaction.clearRadioGroup) {
        clearRadioGroup();
    }
    HWND parent = ::GetParent(hwnd());
    switch (reaction.notice) {
        case view::ButtonReaction::Notice::Clicked:
            ::SendMessageW(parent, kClickedMessage, static_cast<WPARAM>(commandId_), reaction.noticeState);
            break;
        case view::ButtonReaction::Notice::Command:
            ::SendMessageW(parent, kCommandMessage, static_cast<WPARAM>(commandId_), 0);
            break;
        case view::ButtonReaction::Notice::Focused:
            ::SendMessageW(parent, kFocusedMessage, static_cast<WPARAM>(commandId_), 0);
            break;
        case view::ButtonReaction::Notice::None:
            break;
    }
}

// The siblings in window order, as the group walk sees them.
void CQButton::clearRadioGroup() {
    HWND parent = ::GetParent(hwnd());
    if (parent == nullptr) {
        return;
    }
    std::vector<HWND> siblings;
    std::vector<view::RadioSibling> walk;
    std::size_t self = 0;
    for (HWND sibling = ::GetWindow(parent, GW_CHILD); sibling != nullptr;
         sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == hwnd()) {
            self = siblings.size();
        }
        const LONG_PTR style = ::GetWindowLongPtrW(sibling, GWL_STYLE);
        siblings.push_back(sibling);
        walk.push_back({isButton(sibling) && (style & ButtonState::kRadioBit) != 0, (style & WS_GROUP) != 0});
    }
    for (const std::size_t index : ButtonState::radioGroupToClear(walk, self)) {
        ::SendMessageW(siblings[index], kClearRadioMessage, 0, 0);
    }
}

bool CQButton::inside(LPARAM point) const {
    const POINT position{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return ::PtInRect(&clientRect_, position) != FALSE;
}

void CQButton::press() {
    ::SetFocus(hwnd());
    ::SetCapture(hwnd());
    follow(state_.press(), true);
}

void CQButton::paint() {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(hwnd(), &paint);
    RECT area{};
    ::GetClientRect(hwnd(), &area);
    const PaintState state = drawState();
    ::DrawFrameControl(dc, &area, DFC_BUTTON, frameControlState(state));

    if (state_.hasFocus()) {
        const HBRUSH green = ::CreateSolidBrush(toCOLORREF(ButtonState::kFocusFrameColour));
        RECT frame = area;
        ::InflateRect(&frame, -ButtonState::kFocusFrameInset, -ButtonState::kFocusFrameInset);
        for (int ring = 0; ring < ButtonState::kFocusFrameWidth; ++ring) {
            ::FrameRect(dc, &frame, green);
            ::InflateRect(&frame, -1, -1);
        }
        ::DeleteObject(green);
    }

    RECT textArea = area;
    ::InflateRect(&textArea, -ButtonState::kTextInset, -ButtonState::kTextInset);
    if (ButtonState::textPressedIn(state)) {
        ::OffsetRect(&textArea, 1, 1);
    }
    wchar_t text[ButtonState::kMaxTextLength + 1] = {};
    const int length = ::GetWindowTextW(hwnd(), text, ButtonState::kMaxTextLength + 1);
    const HGDIOBJ previousFont = ::SelectObject(dc, FontTable::buttons().font(fontIndex_));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, toCOLORREF(::IsWindowEnabled(hwnd()) ? textColour_ : disabledTextColour_));
    ::DrawTextW(dc, text, length, &textArea, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    ::SelectObject(dc, previousFont);
    ::EndPaint(hwnd(), &paint);
}

LRESULT CQButton::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole area
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // a fast second click counts as one more press
            press();
            return 0;
        case WM_MOUSEMOVE:
            if (::GetCapture() == hwnd()) {
                follow(state_.move(inside(lParam)), true);
            }
            return 0;
        case WM_LBUTTONUP:
            if (::GetCapture() == hwnd()) {
                const bool released = inside(lParam);
                const view::ButtonReaction reaction = state_.release(released);
                ::ReleaseCapture();
                // Released outside, the pushed look ends with the next paint.
                follow(reaction, released);
            }
            return 0;
        case WM_CAPTURECHANGED:
            // The capture was taken away during a press: it ends as a
            // release outside the button, without a notification.
            if (state_.mouseDown()) {
                follow(state_.release(false), false);
            }
            return 0;
        case WM_SETFOCUS:
            follow(state_.focusIn(), false);
            return 0;
        case WM_KILLFOCUS:
            follow(state_.focusOut(), false);
            return 0;
        case WM_SIZE:
        case WM_MOVE:
            ::GetClientRect(hwnd(), &clientRect_);
            return 0;
        case kClearRadioMessage:
            if (state_.clearRadio()) {
                ::InvalidateRect(hwnd(), nullptr, FALSE);
            }
            return 0;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
