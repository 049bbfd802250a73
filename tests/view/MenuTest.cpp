#include <gtest/gtest.h>

#include "view/MainFrame.h"
#include "view/ModeSelectChoice.h"
#include "view/NetworkPortEntry.h"
#include "view/SetupMenu.h"

namespace view {
namespace {

TEST(MainFrame, EachItemHasItsPromptAndTheRestNone) {
    EXPECT_EQ(MainFrame::prompt(MainFrame::kFontsCommand), "Select Font");
    EXPECT_EQ(MainFrame::prompt(32784), "Select this port");
    EXPECT_EQ(MainFrame::prompt(32799), "Select this port");
    EXPECT_EQ(MainFrame::prompt(32800), "Connect PC to SRF7 port");
    EXPECT_EQ(MainFrame::prompt(32801), "Connect PC to ENG7 port (Get Ver. Only ENG7) ");
    EXPECT_EQ(MainFrame::prompt(MainFrame::kExitCommand), "");
    EXPECT_EQ(MainFrame::prompt(32783), "");
}

TEST(MainFrame, TitlesMessagesAndTheConnectionPointByte) {
    EXPECT_EQ(MainFrame::frameTitle("Untitled"), "Untitled - FLASHKIT");
    EXPECT_EQ(MainFrame::frameTitle("UNIT.LST"), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(MainFrame::openFailedMessage("/data/MISSING.LST"),
              "/data/MISSING.LST\nFailed to open document.");
    EXPECT_EQ(MainFrame::connectionPointOf(MainFrame::kSrf7Command), 0x00);
    EXPECT_EQ(MainFrame::connectionPointOf(MainFrame::kEng7Command), 0x10);
}

TEST(SetupMenu, TheFirstOpeningNumbersThePortsAndMarksThePortInUseIgnoringCase) {
    SetupMenu menu;
    const SetupMenu::Opening first = menu.open({"COM3", "COM7"}, "com7");
    ASSERT_TRUE(first.ports.has_value());
    ASSERT_EQ(first.ports->items.size(), 2u);
    EXPECT_EQ(first.ports->items[0].text, "COM3");
    EXPECT_EQ(first.ports->items[0].command, 32784);
    EXPECT_EQ(first.ports->items[1].text, "COM7");
    EXPECT_EQ(first.ports->items[1].command, 32785);
    EXPECT_EQ(first.ports->marked, 1);
    EXPECT_TRUE(first.initialiseConnection);

    const SetupMenu::Opening second = menu.open({"COM3", "COM7"}, "COM3");
    EXPECT_FALSE(second.ports.has_value());
    EXPECT_FALSE(second.initialiseConnection);
}

TEST(SetupMenu, APortNotInTheListMarksTheFirstAndAnEmptyListGivesNoItems) {
    SetupMenu menu;
    EXPECT_EQ(menu.open({"COM3", "COM7"}, "COM9").ports->marked, 0);
    SetupMenu empty;
    EXPECT_TRUE(empty.open({}, "COM1").ports->items.empty());
}

TEST(SetupMenu, AKnownDeviceIsNamedBesideItsPortAndTheItemStillChoosesThePort) {
    SetupMenu menu;
    std::vector<std::string> asked;
    const SetupMenu::Opening first = menu.open({"COM3", "COM5"}, "COM5", [&asked](const std::string& port) {
        asked.push_back(port);
        return port == "COM5" ? std::string("USB Serial Port (COM5)") : std::string();
    });
    ASSERT_TRUE(first.ports.has_value());
    EXPECT_EQ(first.ports->items[0].text, "COM3");
    EXPECT_EQ(first.ports->items[1].text, "COM5\tUSB Serial Port (COM5)");
    EXPECT_EQ(first.ports->marked, 1);
    EXPECT_EQ(SetupMenu::portOfItemText(first.ports->items[1].text), "COM5");
    EXPECT_EQ(SetupMenu::portOfItemText("COM3"), "COM3");
    EXPECT_EQ(SetupMenu::portOfItemText(""), "");
    // Asked on the first opening only.
    menu.open({"COM3", "COM5"}, "COM5", [&asked](const std::string& port) {
        asked.push_back(port);
        return std::string();
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"COM3", "COM5"}));
}

TEST(ModeSelectChoice, OkAtOnceAnswersHostInterface) {
    ModeSelectChoice choice;
    EXPECT_EQ(choice.clicked(ModeSelectChoice::kOkCommand), ModeSelectChoice::Action::EndDialog);
    EXPECT_EQ(choice.choice(), data::WritingPort::HostInterface);
}

TEST(ModeSelectChoice, TheLastRadioButtonClickedIsTheAnswer) {
    ModeSelectChoice choice;
    EXPECT_EQ(choice.clicked(ModeSelectChoice::kCardDirectCommand),
              ModeSelectChoice::Action::CheckCardDirect);
    EXPECT_EQ(choice.choice(), data::WritingPort::CardDirect);
    EXPECT_EQ(choice.clicked(ModeSelectChoice::kHostInterfaceCommand),
              ModeSelectChoice::Action::CheckHostInterface);
    EXPECT_EQ(choice.choice(), data::WritingPort::HostInterface);
    choice.clicked(ModeSelectChoice::kCardDirectCommand);
    EXPECT_EQ(choice.clicked(ModeSelectChoice::kOkCommand), ModeSelectChoice::Action::EndDialog);
    EXPECT_EQ(choice.choice(), data::WritingPort::CardDirect);
}

TEST(ModeSelectChoice, EnterEscapeOtherCommandsAndTheCloseRequestNeverEndIt) {
    ModeSelectChoice choice;
    EXPECT_EQ(ModeSelectChoice::command(ModeSelectChoice::kEnterCommand), ModeSelectChoice::Action::None);
    EXPECT_EQ(ModeSelectChoice::command(ModeSelectChoice::kEscapeCommand), ModeSelectChoice::Action::None);
    EXPECT_EQ(choice.clicked(4711), ModeSelectChoice::Action::None);
    EXPECT_FALSE(ModeSelectChoice::endsOnCloseRequest());
    EXPECT_EQ(choice.choice(), data::WritingPort::HostInterface);
}

}  // namespace
}  // namespace view

namespace view {
namespace {

TEST(SetupMenu, ANetworkPortIsMarkedWhereItIsListedElseItGetsOneItemAfterThePorts) {
    SetupMenu menu;
    const std::vector<std::string> ports = {"/dev/ttyS0", "rfc2217://127.0.0.5:2217"};
    menu.open(ports, "/dev/ttyS0");

    const auto listed = menu.chooseNetworkPort(ports, "rfc2217://127.0.0.5:2217");
    EXPECT_FALSE(listed.appended);
    EXPECT_EQ(listed.position, 1);
    EXPECT_EQ(listed.item.command, 32785);

    const auto first = menu.chooseNetworkPort(ports, "socket://127.0.0.6:4001");
    EXPECT_TRUE(first.appended);
    EXPECT_EQ(first.position, 2);
    EXPECT_EQ(first.item.text, "socket://127.0.0.6:4001");
    EXPECT_EQ(first.item.command, 32786);
    EXPECT_EQ(MainFrame::prompt(first.item.command), "Select this port");

    // Another one replaces that item rather than adding a second.
    const auto second = menu.chooseNetworkPort(ports, "rfc2217://[::1]:7000");
    EXPECT_FALSE(second.appended);
    EXPECT_EQ(second.position, 2);
    EXPECT_EQ(second.item.text, "rfc2217://[::1]:7000");
    EXPECT_EQ(MainFrame::prompt(MainFrame::kNetworkPortCommand), "Use a port of a network serial server");
}

TEST(NetworkPortEntry, TheLineStartsWithThePortInUseAndOnlyWellFormedPortsAreTaken) {
    EXPECT_EQ(NetworkPortEntry::initialText("/dev/ttyUSB0"), "rfc2217://");
    EXPECT_EQ(NetworkPortEntry::initialText("socket://127.0.0.6:4001"), "socket://127.0.0.6:4001");

    EXPECT_FALSE(NetworkPortEntry::problem("rfc2217://127.0.0.5:2217").has_value());
    EXPECT_FALSE(NetworkPortEntry::problem("  socket://rack-7:4001 ").has_value());
    EXPECT_EQ(NetworkPortEntry::portName("  socket://rack-7:4001 "), "socket://rack-7:4001");
    EXPECT_EQ(NetworkPortEntry::problem("rfc2217://127.0.0.5"),
              "rfc2217://127.0.0.5: no port number (rfc2217://HOST:PORT)");
    EXPECT_EQ(NetworkPortEntry::problem("rfc2217://127.0.0.5:70000"),
              "rfc2217://127.0.0.5:70000: port 70000 is out of range (1 to 65535)");
    EXPECT_EQ(NetworkPortEntry::problem("/dev/ttyUSB0"),
              "/dev/ttyUSB0 is not a network port: write rfc2217://HOST:PORT or socket://HOST:PORT");
    EXPECT_EQ(NetworkPortEntry::problem(" "), "No port: write rfc2217://HOST:PORT or socket://HOST:PORT");
}

}  // namespace
}  // namespace view
