#pragma once

#include <QMainWindow>

#include "view/MainFrame.h"
#include "view/SetupMenu.h"

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
    static constexpr int kWidth = view::MainFrame::kWidth;
    static constexpr int kHeight = view::MainFrame::kHeight;

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
    // Setup > Network Port...: asks for a URL until one is well-formed or the
    // dialog is cancelled, then uses it.
    void askForNetworkPort();
    // Makes url the port in use and shows it marked in the Serial Port menu.
    void useNetworkPort(const std::string& url);
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
    view::SetupMenu setupMenuState_;
};

}  // namespace ui
