#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "view/MainFrame.h"
#include "view/SetupMenu.h"
#include "winui/Window.h"

namespace core {
class UserNotifier;
}
namespace data {
class CDIAGDoc;
struct CommSettings;
}  // namespace data

namespace winui {

class CDIAGView;

// The main window: 600 x 450, not resizable, without a maximise box, with
// the File, Setup and Help menus, a status bar that shows "Ready" and the
// prompts of the menu items, and the view as its client. The texts, command
// identifiers and prompts are the shared layer's.
class CMainFrame : public Window {
  public:
    static constexpr const wchar_t* kClassName = L"FlashkitFrame";
    static constexpr int kWidth = view::MainFrame::kWidth;
    static constexpr int kHeight = view::MainFrame::kHeight;
    // The document commands: keys without menu items.
    static constexpr int kNewCommand = 57600;
    static constexpr int kOpenCommand = 57601;
    static constexpr int kSaveCommand = 57603;

    // portNames, comm and connectionPoint belong to the application.
    CMainFrame(data::CDIAGDoc& document, const std::vector<std::string>& portNames, data::CommSettings& comm,
               std::uint8_t& connectionPoint);
    ~CMainFrame() override;

    // Where the document messages go; without one they are shown directly.
    void setNotifier(core::UserNotifier* notifier) { notifier_ = notifier; }

    CDIAGView& view() { return *view_; }
    HMENU setupMenu() const { return setupMenu_; }
    HMENU serialPortMenu() const { return serialPortMenu_; }
    HMENU connectionMenu() const { return connectionMenu_; }
    HWND statusBar() const { return statusBar_; }
    std::string statusText() const;

    // Ctrl+O, Ctrl+N and Ctrl+S for the message loop; true when msg was one.
    bool translateAccelerator(MSG& msg) const;

    // The Setup menu is about to open: the port and connection items are set
    // up on the first opening.
    void prepareSetupMenu();
    void choosePort(int command);
    // Setup > Network Port...: asks for a URL and uses it when one is given.
    void askForNetworkPort();
    // Makes url the port in use and shows it marked in the Serial Port menu.
    void useNetworkPort(const std::string& url);
    void chooseConnection(int command);

    // The document commands.
    void openDocument();
    bool openDocumentFile(const std::string& path);
    void newDocument();
    void showAbout();
    void updateTitle();

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void buildMenus();
    void showPrompt(int command);
    void setStatusText(std::string_view text);
    void layOutClient();
    bool command(int id);

    data::CDIAGDoc& document_;
    const std::vector<std::string>& portNames_;
    data::CommSettings& comm_;
    std::uint8_t& connectionPoint_;
    core::UserNotifier* notifier_ = nullptr;
    HMENU setupMenu_ = nullptr;
    HMENU serialPortMenu_ = nullptr;
    HMENU connectionMenu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HWND statusBar_ = nullptr;
    std::unique_ptr<CDIAGView> view_;
    view::SetupMenu setupMenuState_;
    bool closing_ = false;
};

}  // namespace winui
