#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimerEvent>

#include "ui/BlinkStatic.h"

namespace {

void tick(ui::BlinkStatic& cell) {
    QTimerEvent event(cell.blinkTimerId());
    QCoreApplication::sendEvent(&cell, &event);
}

TEST(BlinkStatic, StoppingInTheInvertedPhaseReturnsToThePhaseBlinkingStartedIn) {
    ui::BlinkStatic cell;
    ASSERT_FALSE(cell.setBlinking(true));
    EXPECT_TRUE(cell.isBlinking());
    tick(cell);
    EXPECT_TRUE(cell.isLit());
    EXPECT_TRUE(cell.setBlinking(false));
    EXPECT_FALSE(cell.isLit());
    EXPECT_FALSE(cell.isBlinking());
}

TEST(BlinkStatic, EachTickSwapsTheOwnColoursAndStartingAgainChangesNothing) {
    ui::BlinkStatic cell;
    cell.setOwnColours(true);
    cell.setColourA(Qt::black);
    EXPECT_EQ(cell.setColourB(Qt::white), QColor(cell.palette().color(QPalette::Button)));
    EXPECT_EQ(cell.shownTextColour(), QColor(Qt::black));
    EXPECT_EQ(cell.shownBackgroundColour(), QColor(Qt::white));

    cell.setBlinking(true);
    const int timer = cell.blinkTimerId();
    tick(cell);
    EXPECT_EQ(cell.shownTextColour(), QColor(Qt::white));
    EXPECT_EQ(cell.shownBackgroundColour(), QColor(Qt::black));
    EXPECT_TRUE(cell.setBlinking(true));
    EXPECT_EQ(cell.blinkTimerId(), timer);
    EXPECT_TRUE(cell.isLit());
    tick(cell);
    EXPECT_FALSE(cell.isLit());
}

TEST(BlinkStatic, WithoutOwnColoursTheInvertedPhaseSwapsThePalette) {
    ui::BlinkStatic cell;
    const QColor text = cell.shownTextColour();
    const QColor background = cell.shownBackgroundColour();
    cell.setBlinking(true);
    tick(cell);
    EXPECT_EQ(cell.shownTextColour(), background);
    EXPECT_EQ(cell.shownBackgroundColour(), text);
}

TEST(BlinkStatic, TextIsRewrittenOnlyWhenItDiffers) {
    ui::BlinkStatic cell;
    EXPECT_TRUE(cell.setTextIfDiffers("2.00R"));
    EXPECT_FALSE(cell.setTextIfDiffers("2.00r"));
    EXPECT_EQ(cell.text(), "2.00R");
    EXPECT_TRUE(cell.setTextIfDiffersExactly("2.00r"));
    EXPECT_EQ(cell.text(), "2.00r");
}

}  // namespace
