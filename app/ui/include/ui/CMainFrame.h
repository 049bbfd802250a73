#pragma once

#include <QMainWindow>

#include <cstdint>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;

namespace core {
class UserNotifier;
}
namespace data {
class CDIAGDoc;
struct CommSettings;
}  // namespace data

namespace ui {

class CDIAGView;

// The main window: 600 x 450, not resizable, without a maximise box, with
// the File, Setup and Help menus, a status bar that shows "Ready" and the
// prompts of the menu items, and the view as its client.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 450;
    static constexpr const char* kAppTitle = "FLASHKIT";
    static constexpr const char* kReady = "Ready";
    static constexpr const char* kFileFilter = "UnitList(*.lst)";
    static constexpr std::uint8_t kConnectSrf7 = 0x00;
    static constexpr std::uint8_t kConnectEng7 = 0x10;
    // Command identifiers of the menu items.
    static constexpr int kFirstPortCommand = 32784;
    static constexpr int kSrf7Command = 32800;
    static constexpr int kEng7Command = 32801;
    static constexpr int kFontsCommand = 32769;

    // portNames, comm and connectionPoint belong to the application.
    CMainFrame(data::CDIAGDoc& document, const std::vector<std::string>& portNames, data::CommSettings& comm,
               std::uint8_t& connectionPoint);

    // Where the document messages go; without one they are shown directly.
    void setNotifier(core::UserNotifier* notifier) { notifier_ = notifier; }

    CDIAGView* view() const { return view_; }
    QMenu* setupMenu() const { return setupMenu_; }
    QMenu* serialPortMenu() const { return serialPortMenu_; }
    QMenu* connectionMenu() const { return connectionMenu_; }
    QLabel* statusPane() const { return statusPane_; }

    // The Setup menu is about to open: the port and connection items are
    // set up on the first opening.
    void prepareSetupMenu();
    void choosePort(QAction* item);
    void chooseConnection(QAction* item);

    // The document commands.
    void openDocument();
    bool openDocumentFile(const QString& path);
    void newDocument();
    void saveDocument();
    void showAbout();
    void updateTitle();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();

    data::CDIAGDoc& document_;
    const std::vector<std::string>& portNames_;
    data::CommSettings& comm_;
    std::uint8_t& connectionPoint_;
    core::UserNotifier* notifier_ = nullptr;
    CDIAGView* view_;
    QLabel* statusPane_;
    QMenu* setupMenu_ = nullptr;
    QMenu* serialPortMenu_ = nullptr;
    QMenu* connectionMenu_ = nullptr;
    QActionGroup* portGroup_ = nullptr;
    QActionGroup* connectionGroup_ = nullptr;
    bool portMenuBuilt_ = false;
    bool connectionMenuInitialised_ = false;
};

}  // namespace ui
