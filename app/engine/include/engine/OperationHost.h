#pragma once

#include <string>

#include "core/UserNotifier.h"

namespace engine {

class StatusModel;

// How a running operation reaches the user. The engine calls these from its
// worker thread; the desktop program forwards them to its own thread and shows
// modal dialogs, the command-line program prints and answers at once.
class OperationHost {
  public:
    virtual ~OperationHost() = default;

    // Shows a message box and returns once the user has acknowledged it.
    virtual void showMessage(const std::string& text, core::MessageIcon icon) = 0;

    // The main window takes no input while an operation works on the unit list.
    virtual void setMainWindowEnabled(bool enabled) = 0;

    // Brings up the status window that shows status for an erase or write.
    virtual void showStatusWindow(StatusModel& status) = 0;

    // The operation has ended and its done event is signalled; the engine now
    // waits for the cancel event of status, which the status window's OK button
    // signals. A front end without a window signals it here at once.
    virtual void requestFinalOk(StatusModel& status) = 0;

    // A remark for the record that needs no answer, such as a line that a
    // network port cannot set up: standard error where the front end has
    // one. Nothing by default.
    virtual void showNotice(const std::string& text) { (void)text; }
};

}  // namespace engine
