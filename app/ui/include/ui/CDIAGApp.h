#pragma once

#include "ui/GuiFrontEnd.h"
#include "view/DesktopStartup.h"
#include "view/DesktopWindows.h"

#include <QStringList>

#include <memory>

namespace data {
class CDIAGDoc;
}
namespace engine {
class UpdateEngine;
}

namespace ui {

class CMainFrame;

// The application object of the desktop program: the shared start-up runs
// the steps in their order, this class makes the Qt windows for them.
class CDIAGApp : private view::DesktopWindows {
  public:
    explicit CDIAGApp(core::StartupOptions options = {});
    ~CDIAGApp() override;
    CDIAGApp(const CDIAGApp&) = delete;
    CDIAGApp& operator=(const CDIAGApp&) = delete;

    // Runs start-up; false when it failed (its message has been shown).
    // arguments are the program's, the program name first.
    bool start(const QStringList& arguments);
    // Closes the main window (document and engine go with it), then unloads
    // the interface library and releases the guard. Runs once.
    void shutdown();

    CMainFrame* mainFrame() const { return frame_.get(); }
    data::CDIAGDoc* document() const { return startup_.document(); }
    engine::UpdateEngine* engine() const { return startup_.engine(); }
    GuiFrontEnd& frontEnd() { return frontEnd_; }
    core::StartupCore& startupCore() { return startup_.core(); }

  private:
    void createWindows(data::CDIAGDoc& document, core::StartupCore& core) override;
    bool openDocumentFile(const std::string& path) override;
    void newDocument() override;
    void prepareView(int advanced, const core::FontSetting& font) override;
    data::WritingPort runModeSelect() override;
    void setMainWindowEnabled(bool enabled) override;
    void showMainWindow() override;
    void detachFrontEnd() override;
    void serveRequests() override;
    void destroyWindows() override;

    view::DesktopStartup startup_;
    GuiFrontEnd frontEnd_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace ui
