#include "view/SetupMenu.h"

#include "platform/PlainText.h"
#include "view/MainFrame.h"

namespace view {

SetupMenu::Opening SetupMenu::open(const std::vector<std::string>& ports, std::string_view deviceName) {
    Opening opening;
    if (!portMenuBuilt_) {
        portMenuBuilt_ = true;
        PortMenu menu;
        bool found = false;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int position = static_cast<int>(i);
            menu.items.push_back({ports[i], MainFrame::kFirstPortCommand + position});
            // The menu finds the port in use without regard to case.
            if (!found && platform::equalsIgnoringCase(ports[i], deviceName)) {
                menu.marked = position;
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
