#include "index/CountLine.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

TEST(CountLine, ReadsDigitsWithBlanksAroundAndNothingElse) {
    EXPECT_EQ(parseCountLine(" 1234 "), 1234u);
    EXPECT_EQ(parseCountLine("7"), 7u);
    EXPECT_EQ(parseCountLine("   0   "), 0u);
    EXPECT_EQ(parseCountLine(" 18446744073709551615 "), 18446744073709551615ULL);
    for (const char* line : {"", "   ", "abc", " -3 ", " +3 ", " 3abc ", "3 4", " 3.0 ",
                             " 18446744073709551616 ", "0x10"})
        EXPECT_FALSE(parseCountLine(line).has_value()) << '"' << line << '"';
}

} // namespace
} // namespace liedspur
