// The encoder's match finder against an exhaustive search: at every position it must report the
// longest earlier string within the window, as the coder relies on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MatchFinder.h"
#include "TestData.h"

namespace {

using namespace cmpaktest;
using cmpak::MatchFinder;

// Longest match of the source at index i with any start 1..1024 bytes before it (3..255 bytes,
// not beyond the source's end); 0 when shorter than 3.
unsigned longestMatch(const std::vector<uint8_t>& source, size_t i) {
    unsigned best = 0;
    const size_t first = i >= 1024 ? i - 1024 : 0;
    const size_t limit = std::min<size_t>(255, source.size() - i);
    for (size_t from = first; from < i; ++from) {
        unsigned length = 0;
        while (length < limit && source[from + length] == source[i + length]) {
            ++length;
        }
        best = std::max(best, length);
    }
    return best >= 3 ? best : 0;
}

// What the finder reports, with every length below 3 read as no match.
unsigned reportedMatch(const MatchFinder& finder) {
    return finder.matchLength() >= 3 ? finder.matchLength() : 0;
}

// Checks the finder at every stride-th position of the source (it visits all of them).
void checkEveryPosition(const std::vector<uint8_t>& source, size_t stride = 1) {
    auto finder = std::make_unique<MatchFinder>();
    finder->start(source.data(), static_cast<uint32_t>(source.size()));
    for (size_t i = 0; i < source.size(); ++i) {
        if (i % stride != 0) {
            finder->advance(true);
            continue;
        }
        const unsigned expected = longestMatch(source, i);
        ASSERT_EQ(reportedMatch(*finder), expected) << "at source position " << i;
        if (expected >= 3) {
            // The reported position holds the same string (buffer positions are window-relative).
            const unsigned distance = finder->position() - finder->matchPosition();
            ASSERT_GE(distance, 1u);
            ASSERT_LE(distance, 1024u);
            ASSERT_TRUE(std::equal(source.begin() + static_cast<long>(i - distance),
                                   source.begin() + static_cast<long>(i - distance + expected),
                                   source.begin() + static_cast<long>(i)))
                << "at source position " << i;
        }
        // The remainder counts the bytes read ahead; near the end that is all the source has left.
        ASSERT_EQ(std::min<size_t>(finder->remainder(), 256), std::min<size_t>(source.size() - i, 256));
        finder->advance(true);
    }
}

TEST(CmpakMatchFinder, FindsTheLongestMatchAtEveryPositionAcrossSlides) {
    checkEveryPosition(machineCode(6000, 300));
    checkEveryPosition(englishText(5000));
    checkEveryPosition(periodic(4500, 1024, 1));
    checkEveryPosition(periodic(4500, 1025, 2));
    checkEveryPosition(periodic(3000, 5, 3));
    checkEveryPosition(repeatedByte(3000, 9));
    checkEveryPosition(randomBytes(3000, 4));
}

TEST(CmpakMatchFinder, StaysExactWhenItsPositionsAreRenumbered) {
    // Long enough for the absolute positions to be moved down in the middle of the source.
    checkEveryPosition(machineCode(70000, 0), 17);
}

TEST(CmpakMatchFinder, SkippedPositionsStillServeAsMatchStarts) {
    const std::vector<uint8_t> source = englishText(5000);
    auto finder = std::make_unique<MatchFinder>();
    finder->start(source.data(), static_cast<uint32_t>(source.size()));
    for (size_t i = 0; i < source.size(); ++i) {
        // Look only every seventh position, as after a match; the others are merely entered.
        if (i % 7 == 0) {
            ASSERT_EQ(reportedMatch(*finder), longestMatch(source, i)) << "at source position " << i;
        }
        finder->advance(i % 7 == 6);
    }
}

}  // namespace
