#include "view/SetupMenu.h"

#include "platform/PlainText.h"
#include "platform/PortDescription.h"
#include "view/MainFrame.h"

namespace view {

namespace {

constexpr char kLabelSeparator = '\t';

}  // namespace

std::string SetupMenu::portOfItemText(std::string_view text) {
    return std::string(text.substr(0, text.find(kLabelSeparator)));
}

SetupMenu::Opening SetupMenu::open(const std::vector<std::string>& ports, std::string_view deviceName,
                                   const PortLabel& labelOf) {
    Opening opening;
    if (!portMenuBuilt_) {
        portMenuBuilt_ = true;
        PortMenu menu;
        bool found = false;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int position = static_cast<int>(i);
            std::string label = labelOf ? labelOf(ports[i]) : std::string();
            menu.items.push_back({label.empty() ? ports[i] : ports[i] + kLabelSeparator + label,
                                  MainFrame::kFirstPortCommand + position});
            // The menu finds the port in use without regard to case.
            if (!found && platform::equalsIgnoringCase(ports[i], deviceName)) {
                menu.marked = position;
                found = true;
            }
        }
        // A by-id link in the settings marks the tty it leads to.
        const std::string identity = platform::deviceIdentity(std::string(deviceName));
        for (std::size_t i = 0; !found && i < ports.size(); ++i) {
            if (platform::deviceIdentity(ports[i]) == identity) {
                menu.marked = static_cast<int>(i);
                found = true;
            }
        }
        opening.ports = std::move(menu);
    }
    if (!connectionMenuInitialised_) {
        connectionMenuInitialised_ = true;
        opening.initialiseConnection = true;
    }
    return opening;
}

SetupMenu::NetworkPortItem SetupMenu::chooseNetworkPort(const std::vector<std::string>& ports,
                                                        const std::string& url) {
    NetworkPortItem chosen;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i] == url) {
            chosen.position = static_cast<int>(i);
            chosen.item = {url, MainFrame::kFirstPortCommand + chosen.position};
            return chosen;
        }
    }
    chosen.position = static_cast<int>(ports.size());
    chosen.item = {url, MainFrame::kFirstPortCommand + chosen.position};
    chosen.appended = !networkItemShown_;
    networkItemShown_ = true;
    return chosen;
}

}  // namespace view
