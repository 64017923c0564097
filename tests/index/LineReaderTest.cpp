#include "index/LineReader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
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

TEST(ReadLines, LinesAndLineEndsAcrossChunkBorders) {
    testing::TempDir dir;
    // The first chunk ends right after a CR; the LF opens the next one. The third line
    // runs through two more chunks.
    const std::string first((1 << 20) - 1, 'x');
    const std::string long_((2 << 20) + 7, 'y');
    dir.write("list", first + "\r\nsecond\r\n" + long_ + "\r\nlast");
    auto table = readLines(dir.file("list"), 4);
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(lines(table.value()), (std::vector<std::string>{first, "second", long_, "last"}));
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

} // namespace
} // namespace liedspur
