#pragma once

#include "core/StartupCore.h"
#include "ui/GuiHost.h"

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

// The application object of the desktop program: the start-up core's steps
// (guard, settings, ports, interface library) and around them the windows:
// document, frame and view, the mode question, the default unit list and
// the hand-over of the settings to the document.
class CDIAGApp {
  public:
    explicit CDIAGApp(core::StartupOptions options = {});
    ~CDIAGApp();
    CDIAGApp(const CDIAGApp&) = delete;
    CDIAGApp& operator=(const CDIAGApp&) = delete;

    // Runs start-up; false when it failed (its message has been shown).
    // arguments are the program's, the program name first.
    bool start(const QStringList& arguments);
    // Closes the main window (document and engine go with it), then unloads
    // the interface library and releases the guard. Runs once.
    void shutdown();

    CMainFrame* mainFrame() const { return frame_.get(); }
    data::CDIAGDoc* document() const { return document_.get(); }
    engine::UpdateEngine* engine() const { return engine_; }
    GuiHost& host() { return host_; }
    core::StartupCore& startupCore() { return core_; }

  private:
    void runModeSelect();

    core::StartupCore core_;
    GuiHost host_;
    // The document owns the engine; the program keeps a view of it for the
    // status window and the shutdown.
    engine::UpdateEngine* engine_ = nullptr;
    std::unique_ptr<data::CDIAGDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace ui
