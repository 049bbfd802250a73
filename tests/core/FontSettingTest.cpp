#include "core/FontSetting.h"

#include <gtest/gtest.h>

using core::FontSetting;

namespace {
FontSetting font(const char* face, int size, int bold, int italic) {
    return FontSetting{face, size, bold, italic};
}
}  // namespace

TEST(FontSetting, DefaultValueIsTerminal14Normal) {
    EXPECT_EQ(FontSetting::parse(FontSetting::kDefaultValue), font("Terminal", 14, 0, 0));
    EXPECT_EQ(FontSetting{}, font("Terminal", 14, 0, 0));
}

TEST(FontSetting, FaceNameAloneKeepsTheRest) {
    EXPECT_EQ(FontSetting::parse("Arial"), font("Arial", 14, 0, 0));
}

TEST(FontSetting, PointSizeIsKeptIn8To36) {
    EXPECT_EQ(FontSetting::parse("Arial,5").pointSize, 8);
    EXPECT_EQ(FontSetting::parse("Arial,40").pointSize, 36);
    EXPECT_EQ(FontSetting::parse("Arial,8").pointSize, 8);
    EXPECT_EQ(FontSetting::parse("Arial,36").pointSize, 36);
    EXPECT_EQ(FontSetting::parse("Arial,-3").pointSize, 8);
    EXPECT_EQ(FontSetting::parse("Arial,big").pointSize, 8);
}

TEST(FontSetting, EmptyFirstValueKeepsTheDefaultFace) {
    EXPECT_EQ(FontSetting::parse(",12,1"), font("Terminal", 12, 1, 0));
}

TEST(FontSetting, EmptyValueGivesTheDefaults) {
    EXPECT_EQ(FontSetting::parse(""), font("Terminal", 14, 0, 0));
}

TEST(FontSetting, BlanksAroundCommasAreDropped) {
    EXPECT_EQ(FontSetting::parse("MS Gothic  ,  20 , 1 ,1"), font("MS Gothic", 20, 1, 1));
    EXPECT_EQ(FontSetting::parse("Courier,,,1"), font("Courier", 14, 0, 1));
    EXPECT_EQ(FontSetting::parse("Courier,10,"), font("Courier", 10, 0, 0));
}
