#include <gtest/gtest.h>

#include "core/FontSetting.h"
#include "view/CaptionStyle.h"
#include "view/FontKeyTable.h"
#include "view/ViewFont.h"

namespace view {
namespace {

TEST(FontKeyTable, EqualRequestsShareOneEntryAndOnlyANewOneIsCreated) {
    FontKeyTable table(FontKeyTable::kButtonCapacity);
    const FontKeyTable::Entry first = table.acquire(CaptionStyle::defaultFont());
    EXPECT_EQ(first.index, 1);
    EXPECT_TRUE(first.created);
    const FontKeyTable::Entry second = table.acquire({"Times New Roman", 12, 0, false, false});
    EXPECT_EQ(second.index, 1);
    EXPECT_FALSE(second.created);
    EXPECT_EQ(table.acquire({"Times New Roman", 12, 0, true, false}).index, 2);
    EXPECT_EQ(table.acquire({"Times New Roman", 12, 0, true, true}).index, 3);
    EXPECT_EQ(table.acquire({"Times New Roman", 12, 5, true, true}).index, 4);
    EXPECT_EQ(table.usedCount(), 5u);
    EXPECT_TRUE(table.key(2).bold);
    EXPECT_EQ(table.key(0).faceName, "");  // the system font has no key
}

TEST(FontKeyTable, AFullTableAnswersWithTheSystemFont) {
    FontKeyTable table(3);
    EXPECT_EQ(table.acquire({"A", 10, 0, false, false}).index, 1);
    EXPECT_EQ(table.acquire({"B", 10, 0, false, false}).index, 2);
    const FontKeyTable::Entry full = table.acquire({"C", 10, 0, false, false});
    EXPECT_EQ(full.index, 0);
    EXPECT_FALSE(full.created);
    EXPECT_FALSE(table.isUsed(3));
    EXPECT_FALSE(table.isUsed(-1));
    EXPECT_EQ(FontKeyTable(99).capacity(), FontKeyTable::kMaxCapacity);
}

TEST(FontKeyTable, FaceNamesAreCutToTheirFieldSoLongNamesStillShare) {
    FontKeyTable table(FontKeyTable::kCaptionCapacity);
    const std::string longFace(60, 'x');
    const FontKeyTable::Entry first = table.acquire({longFace, 10, 0, false, false});
    const FontKeyTable::Entry second = table.acquire({longFace.substr(0, 39) + "yy", 10, 0, false, false});
    EXPECT_EQ(first.index, second.index);
    EXPECT_EQ(table.key(first.index).faceName.size(), FontRequest::kMaxFaceLength);
}

TEST(FontRequest, SizesArePointsAtTheScreensResolutionAndWidthsHalfPoints) {
    const FontRequest request{"Times New Roman", 12, 10, true, false};
    EXPECT_EQ(request.cellHeight(96), 16);
    EXPECT_EQ(request.cellHeight(120), 20);
    EXPECT_EQ(request.averageWidth(96), 6);
    EXPECT_EQ(FontRequest{}.averageWidth(96), 0);
    EXPECT_EQ(request.weight(), 700);
    EXPECT_EQ(CaptionStyle::defaultFont().weight(), 400);
}

TEST(ViewFont, TheSettingGivesTenthsOfAPointAndABoldWeightOnlyWhenAsked) {
    const ViewFont standard =
        ViewFont::fromSetting(core::FontSetting::parse(core::FontSetting::kDefaultValue));
    EXPECT_EQ(standard.faceName, "Terminal");
    EXPECT_EQ(standard.tenthsOfPoint, 140);
    EXPECT_EQ(standard.pointSize(), 14);
    EXPECT_EQ(standard.weight, ViewFont::kDefaultWeight);
    EXPECT_FALSE(standard.italic);

    const ViewFont bold = ViewFont::fromSetting(core::FontSetting::parse("Arial,9,2,1"));
    EXPECT_EQ(bold.weight, 700);
    EXPECT_TRUE(bold.bold());
    EXPECT_TRUE(bold.italic);
    EXPECT_EQ(bold.tenthsOfPoint, 90);
}

}  // namespace
}  // namespace view
