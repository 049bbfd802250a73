#include "winui/AboutDialog.h"

#include "core/AboutText.h"
#include "platform/Paths.h"
#include "platform/VersionResource.h"
#include "winui/ResourceIds.h"
#include "winui/Window.h"
#include "winui/WindowGeometry.h"

namespace winui {

AboutDialog::Lines AboutDialog::lines() {
    const std::optional<platform::VersionStrings> strings =
        platform::readVersionStrings(platform::executablePath());
    if (!strings) {
        return {core::AboutText::kTitle, core::AboutText::legalNoticeLine({})};
    }
    return {core::AboutText::versionLine(core::AboutText::kTitle, strings->productVersion, strings->fileVersion),
            core::AboutText::legalNoticeLine(strings->legalCopyright)};
}

void AboutDialog::run(HWND owner) {
    ::DialogBoxParamW(Window::instance(), MAKEINTRESOURCEW(FLASHKIT_IDD_ABOUTBOX), owner, &AboutDialog::procedure,
                      0);
}

INT_PTR CALLBACK AboutDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            const Lines texts = lines();
            setWindowText(::GetDlgItem(dialog, FLASHKIT_IDC_VERSION_LINE), texts.version);
            setWindowText(::GetDlgItem(dialog, FLASHKIT_IDC_LEGAL_LINE), texts.legalNotice);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace winui
