#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/StartupCore.h"

namespace data {
class CDIAGDoc;
}
namespace engine {
class FrontEnd;
class UpdateEngine;
}  // namespace engine

namespace view {

class DesktopWindows;

// The start-up and shutdown of the desktop program in the order both front
// ends follow: the start-up core (guard, settings, ports, interface
// library), the engine and the document, the windows, the command line, the
// view's layout and font, the mode question, the default unit list, the
// hand-over of the settings to the document, and the main window shown.
// Shutdown lets a running worker finish, closes the windows (document and
// engine go with them), then unloads the library and releases the guard.
class DesktopStartup {
  public:
    // A port left out of the Serial Port menu is named on standard error
    // with the reason, unless the options say otherwise.
    explicit DesktopStartup(core::StartupOptions options = {});
    ~DesktopStartup();
    DesktopStartup(const DesktopStartup&) = delete;
    DesktopStartup& operator=(const DesktopStartup&) = delete;

    // arguments are the program's, its name first; a second one is a unit
    // list opened as the document. False when start-up failed (its message
    // has been shown); call shutdown in any case.
    bool start(DesktopWindows& windows, core::UserNotifier& notifier, engine::FrontEnd& frontEnd,
               const std::vector<std::string>& arguments);
    // Runs once; windows must be the ones start was given.
    void shutdown(DesktopWindows& windows);

    core::StartupCore& core() { return core_; }
    data::CDIAGDoc* document() const { return document_.get(); }
    // The document owns the engine; this is a view of it.
    engine::UpdateEngine* engine() const { return engine_; }

  private:
    core::StartupCore core_;
    engine::UpdateEngine* engine_ = nullptr;
    std::unique_ptr<data::CDIAGDoc> document_;
    bool windowsCreated_ = false;
};

}  // namespace view
