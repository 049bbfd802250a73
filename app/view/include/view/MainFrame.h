#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace view {

// The main window without its widgets: its fixed size (no sizing border,
// no maximize box), its menus with their command identifiers and the
// prompts the status bar shows for them, and its own texts.
class MainFrame {
  public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 450;
    static constexpr const char* kAppTitle = "FLASHKIT";
    static constexpr const char* kReady = "Ready";

    static constexpr int kExitCommand = 57665;
    static constexpr int kAboutCommand = 57664;
    static constexpr int kFontsCommand = 32769;
    static constexpr int kNetworkPortCommand = 32770;
    // The Serial Port items are numbered from here; 16 commands are kept for them.
    static constexpr int kFirstPortCommand = 32784;
    static constexpr int kLastPortCommand = 32799;
    static constexpr int kSrf7Command = 32800;
    static constexpr int kEng7Command = 32801;

    static constexpr const char* kFileMenu = "&File";
    static constexpr const char* kExitItem = "E&xit";
    static constexpr const char* kSetupMenu = "&Setup";
    static constexpr const char* kSerialPortMenu = "Serial Port";
    static constexpr const char* kConnectionPointMenu = "Connection Point";
    static constexpr const char* kSrf7Item = "SRF7";
    static constexpr const char* kEng7Item = "ENG7";
    static constexpr const char* kFontsItem = "Fonts...";
    static constexpr const char* kNetworkPortItem = "Network Port...";
    static constexpr const char* kHelpMenu = "&Help";
    static constexpr const char* kAboutItem = "&About FLASHKIT...";
    // The Serial Port items before the first opening of the Setup menu.
    static constexpr std::array<const char*, 4> kPlaceholderPorts = {"COM1", "COM2", "COM3", "COM4"};

    static constexpr const char* kFontsPrompt = "Select Font";
    static constexpr const char* kNetworkPortPrompt = "Use a port of a network serial server";
    static constexpr const char* kPortPrompt = "Select this port";
    static constexpr const char* kSrf7Prompt = "Connect PC to SRF7 port";
    static constexpr const char* kEng7Prompt = "Connect PC to ENG7 port (Get Ver. Only ENG7) ";

    // The document: its open-dialog filter and default extension, and the
    // message of a unit list that cannot be opened.
    static constexpr const char* kFileFilter = "UnitList(*.lst)";
    static constexpr const char* kFilePattern = "*.lst";
    static constexpr const char* kDefaultExtension = "lst";
    static constexpr const char* kFailedToOpen = "Failed to open document.";

    // The status-bar prompt of a menu command; empty for commands without one.
    static std::string_view prompt(int command);
    // "<document title> - FLASHKIT".
    static std::string frameTitle(std::string_view documentTitle);
    // The path, a line break and "Failed to open document.".
    static std::string openFailedMessage(std::string_view path);
    // The ConnectionPoint byte a Connection Point command stands for:
    // 0x00 (SRF7) or 0x10 (ENG7).
    static std::uint8_t connectionPointOf(int command);
};

}  // namespace view
