#include <gtest/gtest.h>

#include "view/MainFrame.h"
#include "view/ModeSelectChoice.h"
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
