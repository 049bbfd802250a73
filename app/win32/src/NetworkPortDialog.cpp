#include "winui/NetworkPortDialog.h"

#include "core/UserNotifier.h"
#include "platform/Utf16.h"
#include "view/MainFrame.h"
#include "view/NetworkPortEntry.h"
#include "winui/ResourceIds.h"
#include "winui/Window.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::NetworkPortEntry;

constexpr wchar_t kStateProperty[] = L"FlashkitNetworkPort";

std::string itemText(HWND dialog, int item) {
    HWND control = ::GetDlgItem(dialog, item);
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return platform::narrow(text);
}

}  // namespace

std::optional<std::string> NetworkPortDialog::run(HWND owner, const std::string& deviceName,
                                                  core::UserNotifier* notifier) {
    State state;
    state.initialText = NetworkPortEntry::initialText(deviceName);
    state.notifier = notifier;
    ::DialogBoxParamW(Window::instance(), MAKEINTRESOURCEW(FLASHKIT_IDD_NETWORK_PORT), owner,
                      &NetworkPortDialog::procedure, reinterpret_cast<LPARAM>(&state));
    return state.chosen;
}

INT_PTR CALLBACK NetworkPortDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetPropW(dialog, kStateProperty, reinterpret_cast<HANDLE>(lParam));
        const auto* state = reinterpret_cast<const State*>(lParam);
        setWindowText(dialog, NetworkPortEntry::kTitle);
        setWindowText(::GetDlgItem(dialog, FLASHKIT_IDC_NETWORK_PROMPT), NetworkPortEntry::kPrompt);
        setWindowText(::GetDlgItem(dialog, FLASHKIT_IDC_NETWORK_URL), state->initialText);
        setWindowText(::GetDlgItem(dialog, IDOK), NetworkPortEntry::kOkText);
        setWindowText(::GetDlgItem(dialog, IDCANCEL), NetworkPortEntry::kCancelText);
        return TRUE;
    }
    auto* state = static_cast<State*>(::GetPropW(dialog, kStateProperty));
    if (state == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::RemovePropW(dialog, kStateProperty);
        return FALSE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wParam) != IDOK) {
        return FALSE;
    }
    const std::string text = itemText(dialog, FLASHKIT_IDC_NETWORK_URL);
    if (const std::optional<std::string> problem = NetworkPortEntry::problem(text)) {
        if (state->notifier != nullptr) {
            state->notifier->showMessage(*problem, core::MessageIcon::Warning);
        } else {
            ::MessageBoxW(dialog, platform::widen(*problem).c_str(),
                          platform::widen(view::MainFrame::kAppTitle).c_str(), MB_OK | MB_ICONWARNING);
        }
        return TRUE;
    }
    state->chosen = NetworkPortEntry::portName(text);
    ::EndDialog(dialog, IDOK);
    return TRUE;
}

}  // namespace winui
