#include "data/VersionValue.h"

#include <gtest/gtest.h>

namespace data {
namespace {

void expectReset(const VersionValue& value) {
    EXPECT_TRUE(value.release());
    EXPECT_EQ(value.majorNumber(), 0);
    EXPECT_EQ(value.minorNumber(), 0);
    EXPECT_EQ(value.suffix(), VersionValue::kReleaseSuffix);
    EXPECT_EQ(value.text(), "");
}

TEST(VersionValueWord, DecodesMajorMinorTestBitAndSuffix) {
    EXPECT_EQ(VersionValue::fromWord(0x0105).text(), "2.05");
    EXPECT_EQ(VersionValue::fromWord(0x3185).text(), "2.05S3X");
    EXPECT_EQ(VersionValue::fromWord(0xF07F).text(), "1.--R");
    EXPECT_EQ(VersionValue::fromWord(0x0080).text(), "1.00X");
    EXPECT_EQ(VersionValue::fromWord(0x0000).text(), "1.00");
    EXPECT_EQ(VersionValue::fromWord(0x0164).text(), "2.--");
    EXPECT_EQ(VersionValue::fromWord(0xE0FF).text(), "1.--SEX");
    EXPECT_EQ(VersionValue::fromWord(0x0F63).text(), "16.99");

    VersionValue tested = VersionValue::fromWord(0x3185);
    EXPECT_FALSE(tested.release());
    EXPECT_EQ(tested.majorNumber(), 2);
    EXPECT_EQ(tested.minorNumber(), 5);
    EXPECT_EQ(tested.suffix(), 3);
}

TEST(VersionValueWord, NoVersionWordResetsEveryField) {
    VersionValue value = VersionValue::fromWord(0x3185);
    value.setFromWord(0xFFFF);
    expectReset(value);
}

TEST(VersionValueText, ReadsDigitRunAndMarker) {
    EXPECT_EQ(VersionValue::fromText("105").text(), "1.05");
    EXPECT_EQ(VersionValue::fromText("0123S2X").text(), "1.23S2X");
    EXPECT_EQ(VersionValue::fromText("V0210").text(), "2.10R");
    EXPECT_EQ(VersionValue::fromText("0106").text(), "1.06");
    EXPECT_EQ(VersionValue::fromText("0105R").text(), "1.05R");
    EXPECT_EQ(VersionValue::fromText("0105r").text(), "1.05R");
    EXPECT_EQ(VersionValue::fromText("0105x").text(), "1.05X");
    EXPECT_EQ(VersionValue::fromText("0105SA").text(), "1.05SA");
    EXPECT_EQ(VersionValue::fromText("0105se").text(), "1.05SE");
    EXPECT_EQ(VersionValue::fromText("0199").text(), "1.99");
    // 25600 wraps the major byte to 0: no version.
    EXPECT_EQ(VersionValue::fromText("25600").text(), "");
    EXPECT_EQ(VersionValue::fromText("25601").text(), "");
    EXPECT_EQ(VersionValue::fromText("25701").text(), "1.01");
}

TEST(VersionValueText, MarkerBeforeTheDigitsWinsOverTheOneAfter) {
    VersionValue value = VersionValue::fromText("X0105R");
    EXPECT_FALSE(value.release());
    EXPECT_EQ(value.suffix(), 0);
    EXPECT_EQ(value.text(), "1.05X");
}

TEST(VersionValueText, ServiceLevelCharacterOutsideOneToEKeepsR) {
    EXPECT_EQ(VersionValue::fromText("0105S0").text(), "1.05R");
    EXPECT_EQ(VersionValue::fromText("0105SF").text(), "1.05R");
    EXPECT_EQ(VersionValue::fromText("0105S").text(), "1.05R");
    // R or V anywhere makes it R and the X is not looked at.
    VersionValue value = VersionValue::fromText("0105XV");
    EXPECT_TRUE(value.release());
    EXPECT_EQ(value.text(), "1.05R");
}

TEST(VersionValueText, ValuesWithoutMajorShowNothing) {
    expectReset(VersionValue::fromText(""));
    expectReset(VersionValue::fromText("abc"));
    VersionValue zero = VersionValue::fromText("012");
    EXPECT_EQ(zero.majorNumber(), 0);
    EXPECT_EQ(zero.minorNumber(), 12);
    EXPECT_EQ(zero.text(), "");
    VersionValue abc = VersionValue::fromText("abc12");
    EXPECT_EQ(abc.majorNumber(), 0);
    EXPECT_EQ(abc.text(), "");
    // The point ends the digit run: n = 1.
    VersionValue dotted = VersionValue::fromText("1.05");
    EXPECT_EQ(dotted.majorNumber(), 0);
    EXPECT_EQ(dotted.minorNumber(), 1);
    EXPECT_EQ(dotted.text(), "");
}

TEST(VersionValueText, VeryLongDigitRunKeepsExactModuloValue) {
    // 10^42 + 105: 10^42 / 100 is a multiple of 256, so major and minor are
    // those of 105, as with an unbounded integer.
    std::string digits = "1" + std::string(37, '0') + "00105";
    VersionValue value = VersionValue::fromText(digits);
    EXPECT_EQ(value.majorNumber(), 1);
    EXPECT_EQ(value.minorNumber(), 5);
}

TEST(VersionValueText, SettingAgainStartsFromReset) {
    VersionValue value = VersionValue::fromText("0123S2X");
    value.setFromText("0200");
    EXPECT_TRUE(value.release());
    EXPECT_EQ(value.suffix(), 0);
    EXPECT_EQ(value.text(), "2.00");
}

TEST(VersionValueCompare, OrdersByNumbersWithRMarkedOlder) {
    VersionValue releaseMarked = VersionValue::fromText("0105R");
    VersionValue plain = VersionValue::fromText("0105");
    EXPECT_EQ(releaseMarked.compare(plain), -1);
    EXPECT_EQ(plain.compare(releaseMarked), 0);
    EXPECT_EQ(VersionValue::fromText("0200").compare(VersionValue::fromText("0199")), 1);
    EXPECT_EQ(VersionValue::fromText("0199").compare(VersionValue::fromText("0200")), -1);
    EXPECT_EQ(VersionValue::fromText("0105").compare(VersionValue::fromText("0106")), -1);
    EXPECT_EQ(VersionValue::fromText("0106R").compare(VersionValue::fromText("0105R")), 1);
    EXPECT_EQ(VersionValue::fromText("0105R").compare(VersionValue::fromText("0105R")), 0);
    // Neither release flag nor service level counts.
    EXPECT_EQ(VersionValue::fromText("0105X").compare(VersionValue::fromText("0105S3")), 0);
    // Unsigned bytes: a major of 200 is newer than 2.
    VersionValue high;
    high.setFields(true, 200, 0, 0);
    EXPECT_EQ(high.compare(VersionValue::fromText("0200")), 1);
}

TEST(VersionValueText, SetTextAloneKeepsFields) {
    VersionValue value = VersionValue::fromWord(0x0105);
    value.setText("DIFF.");
    EXPECT_EQ(value.text(), "DIFF.");
    EXPECT_EQ(value.majorNumber(), 2);
    value.format();
    EXPECT_EQ(value.text(), "2.05");
}

TEST(VersionValueFields, SetFieldsFormatsAndCopiesCarryText) {
    VersionValue value;
    value.setFields(false, 3, 150, 2);
    EXPECT_EQ(value.text(), "3.--S2X");
    VersionValue copy = value;
    EXPECT_EQ(copy, value);
    EXPECT_EQ(copy.text(), "3.--S2X");
    value.reset();
    expectReset(value);
}

}  // namespace
}  // namespace data
