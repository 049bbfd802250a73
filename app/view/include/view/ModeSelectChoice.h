#pragma once

#include "data/WritingPort.h"

namespace view {

// What the MODE SELECT dialog does with the notifications of its buttons.
// At the start Host I/F is checked (without a notification) and OK has the
// focus. The dialog ends only through OK: the dialog commands of the Enter
// and Escape keys are swallowed and the window's close request is ignored.
class ModeSelectChoice {
  public:
    static constexpr int kOkCommand = 1361;
    static constexpr int kHostInterfaceCommand = 1362;
    static constexpr int kCardDirectCommand = 1363;
    // The dialog commands that the Enter and Escape keys send.
    static constexpr int kEnterCommand = 1;
    static constexpr int kEscapeCommand = 2;

    enum class Action {
        None,
        EndDialog,           // return choice()
        CheckHostInterface,  // check Host I/F without a further notification (clears Card Direct)
        CheckCardDirect,     // check Card Direct without a further notification (clears Host I/F)
    };

    // The click notification of the button with this command identifier.
    Action clicked(int commandId);
    // Any other dialog command (Enter, Escape, ...): none of them ends the dialog.
    static constexpr Action command(int) { return Action::None; }
    static constexpr bool endsOnCloseRequest() { return false; }

    data::WritingPort choice() const { return choice_; }

  private:
    data::WritingPort choice_ = data::WritingPort::HostInterface;
};

}  // namespace view
