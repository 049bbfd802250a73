#include <gtest/gtest.h>

#include "core/DesktopCommandLine.h"

namespace core {
namespace {

using Request = DesktopCommandLine::Request;

TEST(DesktopCommandLine, HelpAndVersionAreAnsweredOnlyAsTheOneArgument) {
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "--help"}), Request::Help);
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "-h"}), Request::Help);
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "--version"}), Request::Version);

    // Everything else is the toolkit's and the document's: a unit list, or
    // a toolkit option with its value.
    EXPECT_EQ(DesktopCommandLine::request({"flashkit"}), Request::Start);
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "UNIT.LST"}), Request::Start);
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "-platform", "offscreen"}), Request::Start);
    EXPECT_EQ(DesktopCommandLine::request({"flashkit", "--help", "UNIT.LST"}), Request::Start);
    EXPECT_EQ(DesktopCommandLine::request({}), Request::Start);
}

TEST(DesktopCommandLine, HelpHasAUsageLineAndAnOptionPerLine) {
    const std::string help = DesktopCommandLine::helpText();
    EXPECT_NE(help.find("\nUsage: flashkit [UNIT_LIST]\n"), std::string::npos) << help;
    EXPECT_NE(help.find("\n  UNIT_LIST "), std::string::npos) << help;
    EXPECT_NE(help.find("\n  -h,--help "), std::string::npos) << help;
    EXPECT_NE(help.find("\n  --version "), std::string::npos) << help;
    // Lines fit a terminal of 100 columns.
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "the text ends with a line end";
        EXPECT_LE(end - start, 100u) << help.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace
}  // namespace core
