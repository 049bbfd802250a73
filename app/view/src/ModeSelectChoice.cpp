#include "view/ModeSelectChoice.h"

namespace view {

ModeSelectChoice::Action ModeSelectChoice::clicked(int commandId) {
    switch (commandId) {
        case kOkCommand:
            return Action::EndDialog;
        case kHostInterfaceCommand:
            choice_ = data::WritingPort::HostInterface;
            return Action::CheckHostInterface;
        case kCardDirectCommand:
            choice_ = data::WritingPort::CardDirect;
            return Action::CheckCardDirect;
        default:
            return Action::None;
    }
}

}  // namespace view
