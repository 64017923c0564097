#include "search/TextWidths.h"
#include "search/Search.h"

#include "Snapshots.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

// W is 10 pixels wide, ä 7.5, what is not UTF-8 (shown as U+FFFD) 5, the rest 1.
double advance(char32_t c) {
    return c == U'W' ? 10 : c == U'ä' ? 7.5 : c == 0xFFFD ? 5 : 1;
}

std::optional<TextWidths> measure(const IndexPtr& snapshot, bool stop = false) {
    const std::atomic<bool> stopped = stop;
    return TextWidths::measure(snapshot, advance, stopped);
}

TEST(TextWidths, AreTheAdvancesOfWhatTheListShows) {
    const IndexPtr snapshot = testing::makeSnapshot({"/a/WW.mp3", "/b/ä\xff.mp3"}, {"/WWWW/"});
    const auto widths = measure(snapshot);
    ASSERT_TRUE(widths);
    const ResultSet songs = listAllSongs(snapshot), folders = listAllFolders(snapshot);
    EXPECT_EQ(widths->width(songs, 1, TextColumn::Title), 24);
    EXPECT_EQ(widths->width(songs, 2, TextColumn::Title), 16.5);
    EXPECT_EQ(widths->width(songs, 2, TextColumn::Folder), 3);
    EXPECT_EQ(widths->width(folders, 1, TextColumn::Title), 12); // "Siehe Ordner"
    EXPECT_EQ(widths->width(folders, 1, TextColumn::Folder), 42);
}

TEST(TextWidths, FindTheWidestRowsOfAResultOrOfAWholeTable) {
    // Song i is i W's long, in a folder of its own every second row.
    std::vector<std::string> paths;
    for (int i = 1; i <= 40; ++i)
        paths.push_back("/" + std::string(std::size_t(i + 1) / 2, 'W') + "/" + std::string(i, 'W'));
    IndexPtr snapshot = testing::makeSnapshot(paths);
    const auto widths = measure(snapshot);
    ASSERT_TRUE(widths);
    const ResultSet all = listAllSongs(snapshot);
    ResultSet some = all;
    some.numbers.pop_back();

    const auto widestAll = widths->widest(all), widestSome = widths->widest(some);
    EXPECT_EQ(widestAll[0].positions.front(), 40u);
    EXPECT_EQ(widestAll[0].positions.size(), TextWidths::candidates);
    EXPECT_EQ(widestAll[0].nextWidth, 240); // the 17th widest: 24 W's
    EXPECT_EQ(widestSome[0].positions.front(), 39u);
    // The two songs of each folder count once.
    EXPECT_EQ(widestAll[1].positions.front(), 39u);
    EXPECT_EQ(widestAll[1].positions[1], 37u);
    EXPECT_EQ(widestAll[1].nextWidth, 42); // "/WWWW/", of rows 7 and 8

    EXPECT_TRUE(widths->covers(some));
    EXPECT_FALSE(widths->covers(listAllSongs(testing::makeSnapshot(paths))));
    // Rows listed keep their table, but widths hold only while the index measured is in use.
    snapshot.reset();
    EXPECT_FALSE(widths->covers(some));
}

TEST(TextWidths, AreNotMadeWhenStopped) {
    const std::vector<std::string> paths(5000, "/a/x.mp3");
    EXPECT_FALSE(measure(testing::makeSnapshot(paths), true));
}

} // namespace
} // namespace liedspur
