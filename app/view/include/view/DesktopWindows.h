#pragma once

#include <string>

#include "data/WritingPort.h"

namespace core {
struct FontSetting;
class StartupCore;
}  // namespace core
namespace data {
class CDIAGDoc;
}

namespace view {

// What a desktop front end does for the start-up and shutdown of the
// program: it creates the windows and runs their dialogs; the order of the
// steps is DesktopStartup's.
class DesktopWindows {
  public:
    virtual ~DesktopWindows() = default;

    // The frame and its view over the document. The document's update
    // handler, its message sink and the host's main window are set here;
    // core holds the port list, the settings and the connection point the
    // menus change.
    virtual void createWindows(data::CDIAGDoc& document, core::StartupCore& core) = 0;
    // Opens a unit list as the document; false (after the toolkit's message)
    // when the file cannot be opened.
    virtual bool openDocumentFile(const std::string& path) = 0;
    virtual void newDocument() = 0;
    // The view's layout (the advanced flag) and font, before the mode dialog.
    virtual void prepareView(int advanced, const core::FontSetting& font) = 0;
    // Runs the MODE SELECT dialog modally; the main window is disabled
    // around it by the caller.
    virtual data::WritingPort runModeSelect() = 0;
    virtual void setMainWindowEnabled(bool enabled) = 0;
    // Shows the main window in its normal state and repaints it.
    virtual void showMainWindow() = 0;

    // Shutdown: from now on no message box and no window for the engine;
    // a waiting worker is answered at once.
    virtual void detachFrontEnd() = 0;
    // Serves the requests a finishing worker still hands the window thread,
    // for a short while.
    virtual void serveRequests() = 0;
    // The main window goes; the document and the engine follow it.
    virtual void destroyWindows() = 0;
};

}  // namespace view
