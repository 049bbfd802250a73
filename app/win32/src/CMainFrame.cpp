#include "winui/CMainFrame.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <vector>

#include "core/PortNotes.h"
#include "core/UserNotifier.h"
#include "data/CDIAGDoc.h"
#include "data/CommSettings.h"
#include "platform/Paths.h"
#include "platform/PortDescription.h"
#include "platform/Utf16.h"
#include "winui/AboutDialog.h"
#include "winui/CDIAGView.h"
#include "winui/NetworkPortDialog.h"
#include "winui/ResourceIds.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::MainFrame;

void appendItem(HMENU menu, const char* text, int command) {
    ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), platform::widen(text).c_str());
}

void appendPopup(HMENU menu, const char* text, HMENU popup) {
    ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), platform::widen(text).c_str());
}

std::string menuText(HMENU menu, UINT item, UINT by) {
    wchar_t text[256] = {};
    const int length = ::GetMenuStringW(menu, item, text, 256, by);
    return platform::narrow(std::wstring_view(text, static_cast<std::size_t>(length > 0 ? length : 0)));
}

HICON programIcon(int size) {
    return static_cast<HICON>(::LoadImageW(Window::instance(), MAKEINTRESOURCEW(FLASHKIT_IDR_MAINFRAME),
                                           IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

CMainFrame::CMainFrame(data::CDIAGDoc& document, const std::vector<std::string>& portNames,
                       data::CommSettings& comm, std::uint8_t& connectionPoint)
    : document_(document), portNames_(portNames), comm_(comm), connectionPoint_(connectionPoint) {
    ClassStyle style;
    style.background = ::GetSysColorBrush(COLOR_BTNFACE);
    style.icon = programIcon(32);
    registerClass(kClassName, style);
    create(kClassName, 0, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
           platform::widen(MainFrame::kAppTitle), view::Rect::ofSize(0, 0, kWidth, kHeight), nullptr,
           nullptr);
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(programIcon(16)));
    buildMenus();

    statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd(),
                                   nullptr, instance(), nullptr);
    // One pane that takes the whole width.
    int rightEdge = -1;
    ::SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&rightEdge));
    setStatusText(MainFrame::kReady);

    view_ = std::make_unique<CDIAGView>(document, hwnd(), view::Rect{});
    layOutClient();
    updateTitle();
}

CMainFrame::~CMainFrame() {
    view_.reset();
    if (accelerators_ != nullptr) {
        ::DestroyAcceleratorTable(accelerators_);
    }
}

void CMainFrame::buildMenus() {
    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    appendItem(file, MainFrame::kExitItem, MainFrame::kExitCommand);
    appendPopup(bar, MainFrame::kFileMenu, file);

    setupMenu_ = ::CreatePopupMenu();
    serialPortMenu_ = ::CreatePopupMenu();
    int placeholder = MainFrame::kFirstPortCommand;
    for (const char* port : MainFrame::kPlaceholderPorts) {
        appendItem(serialPortMenu_, port, placeholder++);
    }
    appendPopup(setupMenu_, MainFrame::kSerialPortMenu, serialPortMenu_);
    appendItem(setupMenu_, MainFrame::kNetworkPortItem, MainFrame::kNetworkPortCommand);
    connectionMenu_ = ::CreatePopupMenu();
    appendItem(connectionMenu_, MainFrame::kSrf7Item, MainFrame::kSrf7Command);
    appendItem(connectionMenu_, MainFrame::kEng7Item, MainFrame::kEng7Command);
    appendPopup(setupMenu_, MainFrame::kConnectionPointMenu, connectionMenu_);
    appendItem(setupMenu_, MainFrame::kFontsItem, MainFrame::kFontsCommand);
    appendPopup(bar, MainFrame::kSetupMenu, setupMenu_);

    HMENU help = ::CreatePopupMenu();
    appendItem(help, MainFrame::kAboutItem, MainFrame::kAboutCommand);
    appendPopup(bar, MainFrame::kHelpMenu, help);
    ::SetMenu(hwnd(), bar);

    std::array<ACCEL, 3> keys{{{FCONTROL | FVIRTKEY, 'O', kOpenCommand},
                               {FCONTROL | FVIRTKEY, 'N', kNewCommand},
                               {FCONTROL | FVIRTKEY, 'S', kSaveCommand}}};
    accelerators_ = ::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

bool CMainFrame::translateAccelerator(MSG& msg) const {
    return exists() && ::TranslateAcceleratorW(hwnd(), accelerators_, &msg) != 0;
}

void CMainFrame::layOutClient() {
    ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
    const view::Rect client = clientRect(hwnd());
    const int statusHeight = rectInParent(statusBar_).height();
    placeWindow(view_->hwnd(), {client.left, client.top, client.right, client.bottom - statusHeight});
}

std::string CMainFrame::statusText() const {
    wchar_t text[256] = {};
    ::SendMessageW(statusBar_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return platform::narrow(text);
}

void CMainFrame::setStatusText(std::string_view text) {
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(platform::widen(text).c_str()));
}

// An item without a prompt of its own shows "Ready".
void CMainFrame::showPrompt(int command) {
    const std::string_view prompt = MainFrame::prompt(command);
    setStatusText(prompt.empty() ? std::string_view(MainFrame::kReady) : prompt);
}

void CMainFrame::prepareSetupMenu() {
    const view::SetupMenu::Opening opening =
        setupMenuState_.open(portNames_, comm_.deviceName, [](const std::string& port) {
            return core::PortNotes::label(platform::describePort(port), view::SetupMenu::kLabelLength);
        });
    if (opening.ports) {
        const std::vector<view::SetupMenu::PortItem>& ports = opening.ports->items;
        const int existing = ::GetMenuItemCount(serialPortMenu_);
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int position = static_cast<int>(i);
            const std::wstring text = platform::widen(ports[i].text);
            if (position < existing) {
                ::ModifyMenuW(serialPortMenu_, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING,
                              static_cast<UINT_PTR>(ports[i].command), text.c_str());
            } else {
                ::AppendMenuW(serialPortMenu_, MF_STRING, static_cast<UINT_PTR>(ports[i].command),
                              text.c_str());
            }
        }
        for (int position = ::GetMenuItemCount(serialPortMenu_) - 1;
             position >= static_cast<int>(ports.size()); --position) {
            ::DeleteMenu(serialPortMenu_, static_cast<UINT>(position), MF_BYPOSITION);
        }
        if (!ports.empty()) {
            ::CheckMenuRadioItem(serialPortMenu_, 0, static_cast<UINT>(ports.size() - 1),
                                 static_cast<UINT>(opening.ports->marked), MF_BYPOSITION);
        }
    }
    if (opening.initialiseConnection) {
        chooseConnection(MainFrame::kSrf7Command);
    }
}

void CMainFrame::choosePort(int command) {
    const int count = ::GetMenuItemCount(serialPortMenu_);
    ::CheckMenuRadioItem(serialPortMenu_, MainFrame::kFirstPortCommand,
                         MainFrame::kFirstPortCommand + count - 1, static_cast<UINT>(command), MF_BYCOMMAND);
    comm_.deviceName =
        view::SetupMenu::portOfItemText(menuText(serialPortMenu_, static_cast<UINT>(command), MF_BYCOMMAND));
}

void CMainFrame::askForNetworkPort() {
    if (const std::optional<std::string> url = NetworkPortDialog::run(hwnd(), comm_.deviceName, notifier_)) {
        useNetworkPort(*url);
    }
}

void CMainFrame::useNetworkPort(const std::string& url) {
    prepareSetupMenu();
    const view::SetupMenu::NetworkPortItem chosen = setupMenuState_.chooseNetworkPort(portNames_, url);
    const std::wstring text = platform::widen(chosen.item.text);
    if (chosen.appended) {
        ::AppendMenuW(serialPortMenu_, MF_STRING, static_cast<UINT_PTR>(chosen.item.command), text.c_str());
    } else {
        ::ModifyMenuW(serialPortMenu_, static_cast<UINT>(chosen.position), MF_BYPOSITION | MF_STRING,
                      static_cast<UINT_PTR>(chosen.item.command), text.c_str());
    }
    choosePort(chosen.item.command);
}

void CMainFrame::chooseConnection(int command) {
    ::CheckMenuRadioItem(connectionMenu_, MainFrame::kSrf7Command, MainFrame::kEng7Command,
                         static_cast<UINT>(command), MF_BYCOMMAND);
    connectionPoint_ = MainFrame::connectionPointOf(command);
}

void CMainFrame::openDocument() {
    std::array<wchar_t, 32768> path{};
    // "UnitList(*.lst)", then its pattern, each ended by a zero, then one more.
    std::wstring filter = platform::widen(MainFrame::kFileFilter);
    filter.push_back(L'\0');
    filter += platform::widen(MainFrame::kFilePattern);
    filter.push_back(L'\0');
    const std::wstring extension = platform::widen(MainFrame::kDefaultExtension);
    const std::wstring folder = platform::widen(platform::currentDirectory());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = extension.c_str();
    // The current directory is the data root and stays so.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (::GetOpenFileNameW(&dialog)) {
        openDocumentFile(platform::narrow(path.data()));
    }
}

bool CMainFrame::openDocumentFile(const std::string& path) {
    const data::CDIAGDoc::OpenResult result = document_.openFile(path);
    updateTitle();
    if (result == data::CDIAGDoc::OpenResult::CannotOpen) {
        const std::string message = MainFrame::openFailedMessage(path);
        if (notifier_ != nullptr) {
            notifier_->showMessage(message, core::MessageIcon::Warning);
        } else {
            ::MessageBoxW(::IsWindowVisible(hwnd()) ? hwnd() : nullptr, platform::widen(message).c_str(),
                          platform::widen(MainFrame::kAppTitle).c_str(), MB_OK | MB_ICONWARNING);
        }
        return false;
    }
    return true;
}

void CMainFrame::newDocument() {
    document_.newDocument();
    updateTitle();
}

void CMainFrame::showAbout() {
    AboutDialog::run(hwnd());
}

void CMainFrame::updateTitle() {
    setWindowText(hwnd(), MainFrame::frameTitle(document_.title()));
}

bool CMainFrame::command(int id) {
    if (id >= MainFrame::kFirstPortCommand && id <= MainFrame::kLastPortCommand) {
        choosePort(id);
        return true;
    }
    switch (id) {
        case MainFrame::kSrf7Command:
        case MainFrame::kEng7Command:
            chooseConnection(id);
            return true;
        case MainFrame::kNetworkPortCommand:
            askForNetworkPort();
            return true;
        case MainFrame::kFontsCommand:
            view_->chooseFont();
            return true;
        case MainFrame::kExitCommand:
            ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            return true;
        case MainFrame::kAboutCommand:
            showAbout();
            return true;
        case kOpenCommand:
            openDocument();
            return true;
        case kNewCommand:
            newDocument();
            return true;
        case kSaveCommand:
            // The program never writes unit lists: saving leaves the file as it is.
            return true;
        default:
            return false;
    }
}

LRESULT CMainFrame::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (command(LOWORD(wParam))) {
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            if (reinterpret_cast<HMENU>(wParam) == setupMenu_) {
                prepareSetupMenu();
            }
            return 0;
        case WM_MENUSELECT: {
            const UINT flags = HIWORD(wParam);
            if (flags == 0xFFFF && lParam == 0) {
                setStatusText(MainFrame::kReady);  // the menu closed
            } else if ((flags & MF_POPUP) != 0 || (flags & MF_SEPARATOR) != 0) {
                setStatusText(MainFrame::kReady);
            } else {
                showPrompt(LOWORD(wParam));
            }
            return 0;
        }
        case WM_EXITMENULOOP:
            setStatusText(MainFrame::kReady);
            return 0;
        case WM_SIZE:
            if (view_ != nullptr) {
                layOutClient();
            }
            return 0;
        case WM_CLOSE:
            // The engine works on the document's units until its worker has ended.
            if (document_.engine().busy()) {
                return 0;
            }
            closing_ = true;
            ::DestroyWindow(hwnd());
            return 0;
        case WM_DESTROY:
            if (closing_) {
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
