#include "view/MainFrame.h"

namespace view {

namespace {

constexpr std::uint8_t kConnectSrf7 = 0x00;
constexpr std::uint8_t kConnectEng7 = 0x10;

}  // namespace

std::string_view MainFrame::prompt(int command) {
    if (command >= kFirstPortCommand && command <= kLastPortCommand) {
        return kPortPrompt;
    }
    switch (command) {
        case kFontsCommand:
            return kFontsPrompt;
        case kNetworkPortCommand:
            return kNetworkPortPrompt;
        case kSrf7Command:
            return kSrf7Prompt;
        case kEng7Command:
            return kEng7Prompt;
        default:
            return {};
    }
}

std::string MainFrame::frameTitle(std::string_view documentTitle) {
    return std::string(documentTitle) + " - " + kAppTitle;
}

std::string MainFrame::openFailedMessage(std::string_view path) {
    return std::string(path) + "\n" + kFailedToOpen;
}

std::uint8_t MainFrame::connectionPointOf(int command) {
    return command == kEng7Command ? kConnectEng7 : kConnectSrf7;
}

}  // namespace view
