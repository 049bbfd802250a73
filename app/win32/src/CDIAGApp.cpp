#include "winui/CDIAGApp.h"

#include "data/CDIAGDoc.h"
#include "winui/CDIAGView.h"
#include "winui/CMainFrame.h"
#include "winui/ModeSelectDialog.h"

namespace winui {

namespace {

constexpr DWORD kShutdownPollMs = 10;

}  // namespace

CDIAGApp::CDIAGApp(core::StartupOptions options) : startup_(std::move(options)) {}

CDIAGApp::~CDIAGApp() {
    shutdown();
}

bool CDIAGApp::start(const std::vector<std::string>& arguments) {
    return startup_.start(*this, frontEnd_, frontEnd_, arguments);
}

int CDIAGApp::run() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (frame_ != nullptr && frame_->translateAccelerator(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void CDIAGApp::createWindows(data::CDIAGDoc& document, core::StartupCore& core) {
    frame_ =
        std::make_unique<CMainFrame>(document, core.ports().names(), core.comm(), core.connectionPoint());
    frame_->setNotifier(&frontEnd_);
    CDIAGView* view = &frame_->view();
    document.setUpdateHandler([view] { view->refresh(); });
    frontEnd_.setMainWindow(frame_->hwnd());
    frontEnd_.setFontSource([view] { return view->viewFont(); });
    // The frame opens in the middle of the work area.
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    ::SetWindowPos(frame_->hwnd(), nullptr, (area.left + area.right - CMainFrame::kWidth) / 2,
                   (area.top + area.bottom - CMainFrame::kHeight) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDIAGApp::openDocumentFile(const std::string& path) {
    return frame_->openDocumentFile(path);
}

void CDIAGApp::newDocument() {
    frame_->newDocument();
}

void CDIAGApp::prepareView(int advanced, const core::FontSetting& font) {
    frame_->view().setAdvanced(advanced);
    frame_->view().setFontSetting(font);
}

data::WritingPort CDIAGApp::runModeSelect() {
    ModeSelectDialog dialog;
    return dialog.run(frame_->hwnd());
}

void CDIAGApp::setMainWindowEnabled(bool enabled) {
    ::EnableWindow(frame_->hwnd(), enabled ? TRUE : FALSE);
}

void CDIAGApp::showMainWindow() {
    ::ShowWindow(frame_->hwnd(), SW_SHOWNORMAL);
    ::UpdateWindow(frame_->hwnd());
}

void CDIAGApp::detachFrontEnd() {
    frontEnd_.detach();
}

void CDIAGApp::serveRequests() {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kShutdownPollMs, QS_ALLINPUT);
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The loop that ended has seen it; it is not passed on again.
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void CDIAGApp::destroyWindows() {
    frame_.reset();
}

void CDIAGApp::shutdown() {
    startup_.shutdown(*this);
}

}  // namespace winui
