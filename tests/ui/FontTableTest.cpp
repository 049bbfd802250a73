#include <gtest/gtest.h>

#include <QApplication>

#include "ui/CaptionStatic.h"
#include "ui/FontTable.h"
#include "view/FontKeyTable.h"

namespace {

TEST(FontTable, EqualRequestsShareOneEntryAndDifferentOnesDoNot) {
    ui::FontTable table(view::FontKeyTable::kButtonCapacity, ui::FontTable::Rendering::Bitmap);
    const int first = table.acquire({"Times New Roman", 12, 0, false, false});
    const int second = table.acquire({"Times New Roman", 12, 0, false, false});
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, first);
    EXPECT_EQ(table.usedCount(), 2u);
    EXPECT_EQ(table.acquire({"Times New Roman", 12, 0, true, false}), 2);
    EXPECT_EQ(table.acquire({"Times New Roman", 14, 0, true, false}), 3);
    EXPECT_TRUE(table.font(2).bold());
    EXPECT_FALSE(table.font(1).bold());
}

TEST(FontTable, AFullTableAnswersWithTheSystemFont) {
    ui::FontTable table(3, ui::FontTable::Rendering::Outline);
    EXPECT_EQ(table.acquire({"A", 10, 0, false, false}), 1);
    EXPECT_EQ(table.acquire({"B", 10, 0, false, false}), 2);
    EXPECT_EQ(table.acquire({"C", 10, 0, false, false}), 0);
    EXPECT_EQ(table.font(0), QApplication::font());
    EXPECT_EQ(table.font(99), QApplication::font());
}

TEST(FontTable, FaceNamesAreCutToTheirFieldSoLongNamesStillShare) {
    ui::FontTable table(view::FontKeyTable::kCaptionCapacity, ui::FontTable::Rendering::Outline);
    const std::string longFace(60, 'x');
    const int first = table.acquire({longFace, 10, 0, false, false});
    const int second = table.acquire({longFace.substr(0, 39) + "yy", 10, 0, false, false});
    EXPECT_EQ(first, second);
}

TEST(FontTable, TwoCaptionsOfTheDefaultFontShareOneEntryOfTheCaptionTable) {
    QWidget parent;
    ui::CaptionStatic first("a", QRect(0, 0, 50, 20), &parent, 1);
    ui::CaptionStatic second("b", QRect(0, 20, 50, 20), &parent, 2);
    EXPECT_NE(first.fontIndex(), 0);
    EXPECT_EQ(first.fontIndex(), second.fontIndex());
    second.setCaptionFont({"Times New Roman", 14, 0, true, false});
    EXPECT_NE(first.fontIndex(), second.fontIndex());
    EXPECT_EQ(second.font().pixelSize(), ui::FontTable::captions().font(second.fontIndex()).pixelSize());
}

}  // namespace
