#pragma once

#include <string>

#include "core/UserNotifier.h"

namespace engine {

class OperationControl;
class StatusModel;

// How a running operation reaches the user: message boxes, the main window
// and the progress window. The engine calls these from its worker thread; the
// desktop programs carry them to their window thread, the command line
// prints.
class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // Shows a message box and returns once the user has acknowledged it.
    virtual void showMessage(const std::string& text, core::MessageIcon icon) = 0;
    // The main window takes no input while an operation works on the unit list.
    virtual void setMainWindowEnabled(bool enabled) = 0;
    // Brings up the progress window of an erase or write: it shows status
    // and answers through control (Cancel, later OK).
    virtual void showStatusWindow(StatusModel& status, OperationControl& control) = 0;
    // The erase or write has ended and waits for the user's OK. True when
    // someone will give it (control.giveOk()); false when there is nobody to
    // ask, and the operation goes on at once. status is what the window
    // shows at this moment; the engine clears it once the OK is given.
    virtual bool askForOk(const StatusModel& status) = 0;
    // A remark for the record that needs no answer, such as a line that a
    // network port cannot set up: standard error where the front end has
    // one. Nothing by default.
    virtual void showNotice(const std::string& text) { (void)text; }
};

// A front end with nobody there: no boxes, no windows, and no OK to wait
// for. Front ends that have only some of these derive from it.
class NullFrontEnd : public FrontEnd {
  public:
    void showMessage(const std::string&, core::MessageIcon) override {}
    void setMainWindowEnabled(bool) override {}
    void showStatusWindow(StatusModel&, OperationControl&) override {}
    bool askForOk(const StatusModel&) override { return false; }
};

}  // namespace engine
