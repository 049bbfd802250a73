#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace view {

// The Setup menu's Serial Port and Connection Point submenus: what the first
// opening of the menu makes of them, once per run of the program.
class SetupMenu {
  public:
    // An item's text is the port's name, and where something is known of
    // its device a short label after a tab (shown right-aligned, where a menu
    // shows key names).
    struct PortItem {
        std::string text;
        int command = 0;
    };
    // The longest label a port's item gets, so that the menu stays narrow.
    static constexpr std::size_t kLabelLength = 40;
    // Tells what a port's device is ("FTDI FT232R USB UART A10K3X2Q"); empty
    // when nothing is known.
    using PortLabel = std::function<std::string(const std::string& port)>;

    // Serial Port, built on the first opening: item i becomes port i with
    // command 32784 + i (replacing the placeholder at that position, or
    // appended), the items from the number of ports on are deleted, and,
    // when there is a port, the item at marked gets the radio mark.
    struct PortMenu {
        std::vector<PortItem> items;
        int marked = 0;
    };

    // What an opening of the Setup menu changes; nothing after the first.
    struct Opening {
        std::optional<PortMenu> ports;
        // Connection Point, on the first opening: SRF7 gets the radio mark
        // and the connection point becomes 0x00.
        bool initialiseConnection = false;
    };

    // ports in the order of the port list; deviceName is the port in use
    // (also a /dev/serial/by-id link to one of them); labelOf is asked once
    // per port on the first opening only.
    Opening open(const std::vector<std::string>& ports, std::string_view deviceName,
                 const PortLabel& labelOf = {});

    // The port an item stands for: its text before the label.
    static std::string portOfItemText(std::string_view text);

    // The port chosen with Network Port...: the Serial Port item that shows
    // it and gets the radio mark. A port the menu lists already is that item;
    // any other becomes (or replaces) one item after the ports, numbered on
    // from them. appended: the item is new to the menu.
    struct NetworkPortItem {
        PortItem item;
        int position = 0;
        bool appended = false;
    };
    NetworkPortItem chooseNetworkPort(const std::vector<std::string>& ports, const std::string& url);

  private:
    // The item Network Port... added after the ports, if any.
    bool networkItemShown_ = false;
    bool portMenuBuilt_ = false;
    bool connectionMenuInitialised_ = false;
};

}  // namespace view
