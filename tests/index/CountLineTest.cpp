#include "index/CountLine.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

TEST(CountLine, ReadsDigitsWithBlanksAround) {
    EXPECT_EQ(parseCountLine(" 1234 "), 1234u);
    EXPECT_EQ(parseCountLine("7"), 7u);
    EXPECT_EQ(parseCountLine("   0   "), 0u);
    EXPECT_EQ(parseCountLine(" 18446744073709551615 "), 18446744073709551615ULL);
}

TEST(CountLine, RefusesWhatIsNoCount) {
    for (const char* line : {"", "   ", "abc", " -3 ", " +3 ", " 3abc ", "3 4", " 3.0 ",
                             " 18446744073709551616 ", "0x10"})
        EXPECT_FALSE(parseCountLine(line).has_value()) << '"' << line << '"';
}

TEST(CountLine, WritesOneBlankEachSide) {
    EXPECT_EQ(formatCountLine(0), " 0 ");
    EXPECT_EQ(formatCountLine(112), " 112 ");
    EXPECT_EQ(parseCountLine(formatCountLine(987654321)), 987654321u);
}

} // namespace
} // namespace liedspur
