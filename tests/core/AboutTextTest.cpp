#include "core/AboutText.h"

#include <gtest/gtest.h>

using core::AboutText;

TEST(AboutText, DeliveredProgramShowsVersion200) {
    EXPECT_EQ(AboutText::programVersionLine(), "FLASHKIT Version 2.00");
    EXPECT_EQ(AboutText::programLegalNoticeLine(), " ");
}

TEST(AboutText, ThirdFileNumberZeroAddsTheRevision) {
    EXPECT_EQ(AboutText::versionLine("FLASHKIT", "2, 5, 0, 0", "5, 23, 0, 0"),
              "FLASHKIT Version 2.05 (REV : 5.23)");
    EXPECT_EQ(AboutText::versionLine("FLASHKIT", "2, 5, 0, 0", "5, 3, 0, 9"),
              "FLASHKIT Version 2.05 (REV : 5.03)");
}

TEST(AboutText, NumbersAreReadFromTheFrontWithLeadingBlanks) {
    EXPECT_EQ(AboutText::versionLine("X", "3,  7", "1,2,4"), "X Version 3.07");
    EXPECT_EQ(AboutText::versionLine("X", "10, 25, 1, 1", "  1 ,  2 ,  1"), "X Version 10.25");
    // Missing numbers count as 0, which also asks for the revision part.
    EXPECT_EQ(AboutText::versionLine("X", "", ""), "X Version 0.00 (REV : 0.00)");
}

TEST(AboutText, LegalNoticeOrOneBlank) {
    EXPECT_EQ(AboutText::legalNoticeLine(""), " ");
    EXPECT_EQ(AboutText::legalNoticeLine("(C) QX7A"), "(C) QX7A");
}
