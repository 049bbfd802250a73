#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "TestDirectory.h"

using platform::IniFile;
using testing_support::TempDirectory;

TEST(IniFile, NamesCompareWithoutRegardToCaseAndBlanksAreDropped) {
    IniFile file = IniFile::fromText("[ Host ]\n  device =  COM3  \nBaudRate=9600\n");
    EXPECT_EQ(file.text("HOST", "DEVICE", "x"), "COM3");
    EXPECT_EQ(file.text("host", "device", "x"), "COM3");
    EXPECT_EQ(file.integer("HOST", "BAUDRATE", 1), 9600);
}

TEST(IniFile, MissingSectionOrKeyGivesTheDefault) {
    IniFile file = IniFile::fromText("[HOST]\nDEVICE=COM3\n");
    EXPECT_EQ(file.text("DATA", "ROOT", "."), ".");
    EXPECT_EQ(file.text("HOST", "BAUDRATE", "none"), "none");
    EXPECT_EQ(file.integer("HOST", "BAUDRATE", 115200), 115200);
    EXPECT_FALSE(file.value("HOST", "BAUDRATE").has_value());
}

TEST(IniFile, ValueWhollyInQuotesLosesThem) {
    IniFile file = IniFile::fromText("[A]\nQUOTED=\" two words \"\nHALF=\"open\nINNER=a\"b\"c\nONE=\"\n");
    EXPECT_EQ(file.text("A", "QUOTED", ""), " two words ");
    EXPECT_EQ(file.text("A", "HALF", ""), "\"open");
    EXPECT_EQ(file.text("A", "INNER", ""), "a\"b\"c");
    EXPECT_EQ(file.text("A", "ONE", ""), "\"");
}

TEST(IniFile, FirstOfDuplicateKeysAndSectionsWins) {
    IniFile file = IniFile::fromText("[A]\nKEY=first\nkey=second\n[B]\nX=1\n[a]\nKEY=third\nOTHER=4\n");
    EXPECT_EQ(file.text("A", "KEY", ""), "first");
    EXPECT_EQ(file.text("A", "OTHER", "missing"), "missing");
    EXPECT_EQ(file.integer("B", "X", 0), 1);
}

TEST(IniFile, LinesWithoutEqualsAndKeysBeforeAnySectionAreIgnored) {
    IniFile file = IniFile::fromText("LOOSE=1\n[A]\njust words\nKEY=value=with=equals\n\n[B\nK=v\n");
    EXPECT_EQ(file.text("A", "LOOSE", "no"), "no");
    EXPECT_EQ(file.text("A", "KEY", ""), "value=with=equals");
    EXPECT_EQ(file.keys("A"), (std::vector<std::string>{"KEY"}));
    // An unclosed section header still names its section.
    EXPECT_EQ(file.text("B", "K", ""), "v");
}

TEST(IniFile, KeysAreListedInFileOrderOnce) {
    IniFile file = IniFile::fromText("[UNITS]\nZETA=1\nalpha=2\nMid=3\nZETA=4\n[OTHER]\nQ=1\n");
    EXPECT_EQ(file.keys("units"), (std::vector<std::string>{"ZETA", "alpha", "Mid"}));
    EXPECT_TRUE(file.keys("NONE").empty());
}

TEST(IniFile, IntegersAreLeadingDecimalNumbers) {
    IniFile file = IniFile::fromText(
        "[N]\nPLAIN=42\nSIGNED=-5\nPLUS=+7\nTRAILING=12abc\nWORD=fast\nEMPTY=\nSPACED=- 3\nHEX=0x10\n"
        "HUGE=4294967297\n");
    EXPECT_EQ(file.integer("N", "PLAIN", 1), 42);
    EXPECT_EQ(file.integer("N", "SIGNED", 1), -5);
    EXPECT_EQ(file.integer("N", "PLUS", 1), 7);
    EXPECT_EQ(file.integer("N", "TRAILING", 1), 12);
    EXPECT_EQ(file.integer("N", "WORD", 1), 0);
    EXPECT_EQ(file.integer("N", "EMPTY", 1), 0);
    EXPECT_EQ(file.integer("N", "SPACED", 1), 0);
    EXPECT_EQ(file.integer("N", "HEX", 1), 0);
    // A 32-bit reader wraps over-long numbers instead of failing.
    EXPECT_EQ(file.integer("N", "HUGE", 1), 1);
}

TEST(IniFile, TextIsLimitedTo4095Characters) {
    std::string longValue(5000, 'x');
    IniFile file = IniFile::fromText("[A]\nLONG=" + longValue + "\n");
    EXPECT_EQ(file.text("A", "LONG", "").size(), IniFile::kMaxTextLength);
    EXPECT_EQ(file.text("A", "MISSING", longValue).size(), IniFile::kMaxTextLength);
}

TEST(IniFile, BadInputNeverBreaksTheRules) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 37 + 11) % 256));
    std::string hugeLine(100000, '=');
    std::string text = garbage + "\n[A]\n" + std::string(100000, 'k') + "=v\n" + hugeLine + "\nKEY=ok\n" +
                       std::string("NUL\0INSIDE=1\n", 13) + "\r\nCRLF=yes\r\n";
    IniFile file = IniFile::fromText(text);
    EXPECT_EQ(file.text("A", "KEY", ""), "ok");
    EXPECT_EQ(file.text("A", "CRLF", ""), "yes");
    EXPECT_EQ(file.text("A", std::string(100000, 'K'), "").size(), 1u);
    EXPECT_EQ(file.integer("A", "MISSING", 9), 9);
}

TEST(IniFile, UnreadableOrMissingFilesGiveDefaults) {
    TempDirectory folder;
    IniFile missing = IniFile::load(folder / "NOPE.INI");
    EXPECT_FALSE(missing.readable());
    EXPECT_EQ(missing.text("HOST", "DEVICE", "COM1"), "COM1");

    // A folder in place of the file cannot be read as text.
    IniFile directory = IniFile::load(folder.makeDirectory("FLASHKIT.INI"));
    EXPECT_FALSE(directory.readable());
    EXPECT_EQ(directory.integer("HOST", "BAUDRATE", 115200), 115200);

    // A FIFO without a writer would block a plain read for ever.
    ASSERT_EQ(::mkfifo((folder / "PIPE.INI").c_str(), 0600), 0);
    IniFile pipe = IniFile::load(folder / "PIPE.INI");
    EXPECT_FALSE(pipe.readable());
    EXPECT_EQ(pipe.text("HOST", "DEVICE", "COM1"), "COM1");

    IniFile present = IniFile::load(folder.writeFile("GOOD.INI", "[HOST]\nDEVICE=COM2\n"));
    EXPECT_TRUE(present.readable());
    EXPECT_EQ(present.text("HOST", "DEVICE", "COM1"), "COM2");
}
