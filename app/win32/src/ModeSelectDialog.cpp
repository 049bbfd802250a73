#include "winui/ModeSelectDialog.h"

#include "view/ModeSelectLayout.h"
#include "winui/ControlColours.h"
#include "winui/ResourceIds.h"
#include "winui/Window.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::ModeSelectChoice;
using view::ModeSelectLayout;

// An empty dialog template: a popup with a modal frame and no title bar,
// no menu, no class, no title and no controls (they are made in code).
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE dialog;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

constexpr wchar_t kDialogProperty[] = L"FlashkitModeSelect";

HWND createIcon(HWND dialog, const view::Rect& rect) {
    HWND icon = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON, rect.left, rect.top,
                                  rect.width(), rect.height(), dialog, nullptr, Window::instance(), nullptr);
    const auto programIcon = static_cast<HICON>(
        ::LoadImageW(Window::instance(), MAKEINTRESOURCEW(FLASHKIT_IDR_MAINFRAME), IMAGE_ICON,
                     ModeSelectLayout::kIconSize, ModeSelectLayout::kIconSize, LR_SHARED));
    ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(programIcon), 0);
    placeWindow(icon, rect);
    return icon;
}

}  // namespace

// The controls are made in the order banner, OK, icon, prompt, Host I/F,
// Card Direct, which is also their window order.
ModeSelectDialog::Controls::Controls(HWND dialog, const ModeSelectLayout& layout)
    : banner(ModeSelectLayout::kBannerText, layout.banner, dialog, 0),
      ok(ModeSelectLayout::kOkText, WS_VISIBLE, layout.ok, dialog, ModeSelectChoice::kOkCommand,
         CQButton::Kind::Push),
      icon(createIcon(dialog, layout.icon)),
      prompt(ModeSelectLayout::kPromptText, layout.prompt, dialog, 0),
      hostInterface(ModeSelectLayout::kHostInterfaceText, WS_VISIBLE | WS_GROUP, layout.hostInterface, dialog,
                    ModeSelectChoice::kHostInterfaceCommand, CQButton::Kind::Radio),
      cardDirect(ModeSelectLayout::kCardDirectText, WS_VISIBLE, layout.cardDirect, dialog,
                 ModeSelectChoice::kCardDirectCommand, CQButton::Kind::Radio) {}

ModeSelectDialog* ModeSelectDialog::fromWindow(HWND window) {
    return window != nullptr ? static_cast<ModeSelectDialog*>(::GetPropW(window, kDialogProperty)) : nullptr;
}

data::WritingPort ModeSelectDialog::run(HWND mainWindow) {
    mainWindow_ = mainWindow;
    EmptyDialogTemplate dialogTemplate{};
    dialogTemplate.dialog.style = WS_POPUP | DS_MODALFRAME;
    ::DialogBoxIndirectParamW(Window::instance(), &dialogTemplate.dialog, mainWindow, &ModeSelectDialog::procedure,
                              reinterpret_cast<LPARAM>(this));
    controls_.reset();
    dialog_ = nullptr;
    return choice();
}

INT_PTR CALLBACK ModeSelectDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ModeSelectDialog*>(lParam);
        ::SetPropW(dialog, kDialogProperty, self);
        self->dialog_ = dialog;
    }
    ModeSelectDialog* self = fromWindow(dialog);
    if (self == nullptr) {
        return FALSE;
    }
    const INT_PTR result = self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::RemovePropW(dialog, kDialogProperty);
    }
    return result;
}

void ModeSelectDialog::initialise() {
    // 250 x 180 at the top-left corner of the main window's client area.
    POINT corner{0, 0};
    if (mainWindow_ != nullptr) {
        ::ClientToScreen(mainWindow_, &corner);
    }
    ::SetWindowPos(dialog_, nullptr, corner.x, corner.y, ModeSelectLayout::kWidth, ModeSelectLayout::kHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const view::Rect client = clientRect(dialog_);
    controls_ = std::make_unique<Controls>(dialog_, ModeSelectLayout::arrange(client.width(), client.height()));

    controls_->banner.setCaptionFont(ModeSelectLayout::headingFont());
    controls_->banner.setTextColour(ModeSelectLayout::kBannerTextColour);
    controls_->banner.setBackgroundColour(ModeSelectLayout::kBannerBackground);
    controls_->banner.setAlignment(CaptionStatic::Alignment::Centre);
    controls_->ok.setButtonFont(ModeSelectLayout::buttonFont());
    controls_->prompt.setCaptionFont(ModeSelectLayout::headingFont());
    controls_->prompt.setAlignment(CaptionStatic::Alignment::Left);
    controls_->hostInterface.setButtonFont(ModeSelectLayout::buttonFont());
    controls_->cardDirect.setButtonFont(ModeSelectLayout::buttonFont());

    controls_->hostInterface.setCheck(1, false);
    controls_->ok.takeFocus();
}

void ModeSelectDialog::take(ModeSelectChoice::Action action) {
    switch (action) {
        case ModeSelectChoice::Action::EndDialog:
            ::EndDialog(dialog_, static_cast<INT_PTR>(choice()));
            break;
        case ModeSelectChoice::Action::CheckHostInterface:
            controls_->hostInterface.setCheck(1, false);
            break;
        case ModeSelectChoice::Action::CheckCardDirect:
            controls_->cardDirect.setCheck(1, false);
            break;
        case ModeSelectChoice::Action::None:
            break;
    }
}

INT_PTR ModeSelectDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            initialise();
            return FALSE;  // the focus is on OK already
        case CQButton::kClickedMessage:
            take(choice_.clicked(static_cast<int>(wParam)));
            return TRUE;
        case WM_COMMAND:
            // Enter and Escape arrive as the dialog commands 1 and 2.
            take(ModeSelectChoice::command(LOWORD(wParam)));
            return TRUE;
        case WM_CLOSE:
            if (!ModeSelectChoice::endsOnCloseRequest()) {
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<INT_PTR>(ControlColours::forward(wParam, lParam));
        default:
            break;
    }
    return FALSE;
}

}  // namespace winui
