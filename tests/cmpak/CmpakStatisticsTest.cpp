// The coding statistics appear on standard error only when CMPAK_STATS is set.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestData.h"
#include "cmpak.h"

namespace {

using namespace cmpaktest;

// The library reads the variable through the C run time that it shares with
// the test program.
void setStatisticsVariable(bool on) {
#ifdef _WIN32
    _putenv_s("CMPAK_STATS", on ? "1" : "");
#else
    if (on) {
        setenv("CMPAK_STATS", "1", 1);
    } else {
        unsetenv("CMPAK_STATS");
    }
#endif
}

std::string compressCapturingStderr(const std::vector<uint8_t>& source, uint32_t& written) {
    std::vector<uint8_t> out(worstCaseSize(source.size()));
    testing::internal::CaptureStderr();
    written = Compress(source.data(), static_cast<uint32_t>(source.size()), out.data());
    return testing::internal::GetCapturedStderr();
}

TEST(CmpakStatistics, SilentByDefault) {
    setStatisticsVariable(false);
    uint32_t written = 0;
    EXPECT_EQ(compressCapturingStderr(englishText(3000), written), "");
    EXPECT_GT(written, 0u);
}

TEST(CmpakStatistics, ProgressAndSummaryOnRequest) {
    setStatisticsVariable(true);
    uint32_t written = 0;
    const std::string text = compressCapturingStderr(englishText(3000), written);
    setStatisticsVariable(false);

    // Progress each time the coded count passes another 1024 bytes: after 0, 1024 and 2048.
    size_t at = 0;
    for (int line = 0; line < 3; ++line) {
        const size_t end = text.find('\r', at);
        ASSERT_NE(end, std::string::npos) << text;
        EXPECT_EQ(end - at, 12u) << "a 12-wide count";
        at = end + 1;
    }
    const unsigned long ratio = (3000 / 2 + static_cast<unsigned long>(written) * 1000) / 3000;
    char summary[128];
    std::snprintf(summary, sizeof summary, "In  : 3000 byte\nOut : %lu byte\nOut/In: %lu.%03lu\n",
                  static_cast<unsigned long>(written), ratio / 1000, ratio % 1000);
    EXPECT_EQ(text.substr(at), summary);
}

}  // namespace
