#include "index/LineReader.h"
#include "index/CountLine.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace liedspur {
namespace {

std::vector<std::string> lines(const LineTable& table) {
    std::vector<std::string> result;
    for (std::size_t i = 1; i <= table.size(); ++i)
        result.emplace_back(table.line(i));
    return result;
}

TEST(ReadLines, SplitAtCrLfOrALoneCrOrLf) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> expected;
    };
    testing::TempDir dir;
    for (const Case& c :
         {Case{"CR LF", "a\r\nb\r\n", {"a", "b"}}, Case{"lone CR", "a\rb\r", {"a", "b"}},
          Case{"lone LF", "a\nb\n", {"a", "b"}},
          Case{"last line without end", "a\r\nlast", {"a", "last"}}, Case{"empty file", "", {}},
          Case{"only CR LF", "\r\n", {""}}, Case{"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
          Case{"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
          Case{"bytes kept",
               std::string("x\xff\xfe y\t\"'\0z\r\n", 12),
               {std::string("x\xff\xfe y\t\"'\0z", 10)}}}) {
        SCOPED_TRACE(c.name);
        dir.write("list", c.bytes);
        auto all = readLines(dir.file("list"), c.expected.size());
        ASSERT_TRUE(all.ok()) << all.error().description;
        EXPECT_EQ(lines(all.value()), c.expected);
    }
}

TEST(ReadLines, LinesAndLineEndsAcrossChunkBordersUpToTheLongestLine) {
    constexpr std::size_t chunk = 1 << 20;
    std::string bytes;
    std::vector<std::string> expected;
    // Lines of 1 KiB, then one that makes `end` the byte at `until` - 1.
    const auto fillTo = [&](std::size_t until, std::string_view end) {
        while (bytes.size() + 2048 < until) {
            expected.emplace_back(1022, 'x');
            bytes += expected.back() + "\r\n";
        }
        expected.emplace_back(until - bytes.size() - end.size(), 'x');
        bytes += expected.back() + std::string(end);
    };
    // The first chunk ends right after a CR, and the LF opens the next one; the longest line
    // a list may hold runs across the next border, and one a byte longer across the one after.
    fillTo(chunk, "\r");
    bytes += '\n';
    fillTo(2 * chunk - 100, "\n");
    expected.emplace_back(maxListLineBytes, 'y');
    bytes += expected.back() + "\r\n";
    fillTo(3 * chunk - 100, "\n");
    bytes += std::string(maxListLineBytes + 1, 'z');
    testing::TempDir dir;
    dir.write("list", bytes);
    auto table = readLines(dir.file("list"), expected.size());
    ASSERT_TRUE(table.ok()) << table.error().description;
    EXPECT_EQ(lines(table.value()), expected);
    auto tooLong = readLines(dir.file("list"), expected.size() + 1);
    ASSERT_FALSE(tooLong);
    EXPECT_EQ(tooLong.error().description, lineTooLongError("list").description);
}

TEST(LineOffsets, GrowPastFourGibibytesKeepingEveryOffset) {
    LineOffsets offsets;
    const std::uint64_t values[] = {0, 7, 0xFFFFFFFF, 0x100000000, 0x100000009};
    for (const std::uint64_t value : values)
        offsets.push_back(value);
    ASSERT_EQ(offsets.size(), std::size(values));
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(offsets[i], values[i]);
    EXPECT_EQ(offsets.lastAtOrBelow(0x100000008, 0), 3u);
    EXPECT_EQ(offsets.lastAtOrBelow(6, 0), 0u);
}

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
