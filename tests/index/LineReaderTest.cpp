#include "index/LineReader.h"

#include "base/TextFile.h"

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

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> expected;
};

class LineEnds : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineEnds, SplitAsTheFileFormatSays) {
    testing::TempDir dir;
    dir.write("list", GetParam().bytes);
    auto all = readLines(dir.file("list"), GetParam().expected.size());
    ASSERT_TRUE(all.ok()) << all.error().description;
    EXPECT_EQ(lines(all.value()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reading, LineEnds,
    ::testing::Values(LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"LoneCr", "a\rb\r", {"a", "b"}},
                      LineCase{"LoneLf", "a\nb\n", {"a", "b"}},
                      LineCase{"LastLineWithoutEnd", "a\r\nlast", {"a", "last"}},
                      LineCase{"EmptyFile", "", {}}, LineCase{"OnlyCrLf", "\r\n", {""}},
                      LineCase{"CrThenCrLf", "a\r\r\nb", {"a", "", "b"}},
                      LineCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
                      LineCase{"BytesKept",
                               std::string("x\xff\xfe y\t\"'\0z\r\n", 12),
                               {std::string("x\xff\xfe y\t\"'\0z", 10)}}),
    [](const auto& info) { return info.param.name; });

TEST(ReadLines, LinesAndLineEndsAcrossChunkBorders) {
    testing::TempDir dir;
    // The first chunk ends right after a CR; the LF opens the next one. The third line
    // runs through two more chunks.
    const std::string first((1 << 20) - 1, 'x');
    const std::string long_((2 << 20) + 7, 'y');
    dir.write("list", first + "\r\nsecond\r\n" + long_ + "\r\nlast");
    auto table = readLines(dir.file("list"), 4);
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(table.value().line(1), first);
    EXPECT_EQ(table.value().line(2), "second");
    EXPECT_EQ(table.value().line(3), long_);
    EXPECT_EQ(table.value().line(4), "last");
}

TEST(LineOffsets, GrowPastFourGibibytesKeepingEveryOffset) {
    LineOffsets offsets;
    const std::uint64_t values[] = {0, 7, 0xFFFFFFFF, 0x100000000, 0x100000009};
    for (const std::uint64_t value : values)
        offsets.push_back(value);
    EXPECT_TRUE(offsets.wide());
    ASSERT_EQ(offsets.size(), std::size(values));
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(offsets[i], values[i]);
    EXPECT_EQ(offsets.lastAtOrBelow(0x100000008, 0), 3u);
    EXPECT_EQ(offsets.lastAtOrBelow(6, 0), 0u);
}

TEST(ReadLines, StopsAtTheCountAndFailsShort) {
    testing::TempDir dir;
    dir.write("list", "1\r\n2\r\n3\r\n4\r\n5\r\n");
    auto three = readLines(dir.file("list"), 3);
    ASSERT_TRUE(three.ok());
    EXPECT_EQ(lines(three.value()), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_FALSE(readLines(dir.file("list"), 6).ok());
    EXPECT_TRUE(readLines(dir.file("list"), 0).ok());
}

TEST(ReadLines, HugeCountOnSmallFileFailsWithoutReservingIt) {
    testing::TempDir dir;
    dir.write("list", "1\r\n2\r\n3\r\n");
    auto result = readLines(dir.file("list"), 4'000'000'000ULL);
    EXPECT_FALSE(result.ok());
}

TEST(ReadLines, MissingFileOrFolderFails) {
    testing::TempDir dir;
    EXPECT_FALSE(readLines(dir.file("missing"), 0).ok());
    dir.makeDirectory("folder");
    EXPECT_FALSE(readLines(dir.file("folder"), 0).ok());
}

TEST(ReadShortFirstLine, NeedsAShortLine) {
    testing::TempDir dir;
    dir.write("empty", "");
    dir.write("blankLine", "\r\n");
    dir.write("two", "/opt/winamp.exe\r\nsecond\r\n");
    dir.write("long", "123456\r\n");
    EXPECT_FALSE(readShortFirstLine(dir.file("empty"), 15).ok());
    ASSERT_TRUE(readShortFirstLine(dir.file("blankLine"), 15).ok());
    EXPECT_EQ(readShortFirstLine(dir.file("blankLine"), 15).value(), "");
    EXPECT_EQ(readShortFirstLine(dir.file("two"), 15).value(), "/opt/winamp.exe");
    EXPECT_EQ(readShortFirstLine(dir.file("long"), 6).value(), "123456");
    EXPECT_FALSE(readShortFirstLine(dir.file("long"), 5).ok());
}

} // namespace
} // namespace liedspur
