#include <gtest/gtest.h>

#include "view/BlinkPhase.h"

namespace view {
namespace {

constexpr Rgb kSystemText{10, 20, 30};
constexpr Rgb kSystemFace{200, 210, 220};

TEST(BlinkPhase, StoppingInTheInvertedPhaseReturnsToThePhaseBlinkingStartedIn) {
    BlinkPhase phase;
    const BlinkStep start = phase.setBlinking(true);
    EXPECT_FALSE(start.wasBlinking);
    EXPECT_TRUE(start.startTimer);
    EXPECT_TRUE(phase.tick().repaint);
    EXPECT_TRUE(phase.lit());
    const BlinkStep stop = phase.setBlinking(false);
    EXPECT_TRUE(stop.wasBlinking);
    EXPECT_TRUE(stop.stopTimer);
    EXPECT_TRUE(stop.repaint);
    EXPECT_FALSE(phase.lit());
    EXPECT_FALSE(phase.blinking());
}

TEST(BlinkPhase, StoppingInTheStartingPhaseNeedsNoRepaintAndStartingTwiceChangesNothing) {
    BlinkPhase phase;
    phase.setBlinking(true);
    phase.tick();
    const BlinkStep again = phase.setBlinking(true);
    EXPECT_TRUE(again.wasBlinking);
    EXPECT_FALSE(again.startTimer);
    EXPECT_TRUE(phase.lit());
    phase.tick();
    const BlinkStep stop = phase.setBlinking(false);
    EXPECT_TRUE(stop.stopTimer);
    EXPECT_FALSE(stop.repaint);
    const BlinkStep stopAgain = phase.setBlinking(false);
    EXPECT_FALSE(stopAgain.wasBlinking);
    EXPECT_FALSE(stopAgain.stopTimer);
}

TEST(BlinkPhase, TheEndOfTheFieldStopsTheTimerAndReturnsToTheSavedPhase) {
    BlinkPhase phase;
    EXPECT_FALSE(phase.end().stopTimer);  // a steady field has no timer
    phase.setBlinking(true);
    phase.tick();
    const BlinkStep end = phase.end();
    EXPECT_TRUE(end.stopTimer);
    EXPECT_FALSE(phase.lit());
    EXPECT_FALSE(phase.blinking());
}

TEST(BlinkPhase, OwnColoursSwapWithEachPhase) {
    BlinkPhase phase;
    const BlinkColours normal = phase.colours(true, kBlack, kWhite, kSystemText, kSystemFace);
    EXPECT_FALSE(normal.systemDrawing);
    EXPECT_EQ(normal.text, kBlack);
    EXPECT_EQ(normal.background, kWhite);
    phase.setBlinking(true);
    phase.tick();
    const BlinkColours inverted = phase.colours(true, kBlack, kWhite, kSystemText, kSystemFace);
    EXPECT_EQ(inverted.text, kWhite);
    EXPECT_EQ(inverted.background, kBlack);
}

TEST(BlinkPhase, WithoutOwnColoursTheSystemDrawsTheNormalPhaseAndTheInvertedOneSwapsItsColours) {
    BlinkPhase phase;
    const BlinkColours normal = phase.colours(false, kBlack, kWhite, kSystemText, kSystemFace);
    EXPECT_TRUE(normal.systemDrawing);
    EXPECT_EQ(normal.text, kSystemText);
    phase.setBlinking(true);
    phase.tick();
    const BlinkColours inverted = phase.colours(false, kBlack, kWhite, kSystemText, kSystemFace);
    EXPECT_FALSE(inverted.systemDrawing);
    EXPECT_EQ(inverted.text, kSystemFace);
    EXPECT_EQ(inverted.background, kSystemText);
}

}  // namespace
}  // namespace view
