#include "search/Search.h"
#include "base/CaseFold.h"
#include "base/UpperCase.h"
#include "search/TextWidths.h"

#include "Snapshots.h"

#include <QChar>

#include <gtest/gtest.h>

namespace liedspur {
namespace {

TEST(CaseFold, MapsLettersOneToOneAtEveryPositionOfLongTexts) {
    EXPECT_EQ(toUpperCase("äöü éàç"), "ÄÖÜ ÉÀÇ");
    // Bytes that are not UTF-8 stay as they are, a lead byte cut off at the end too; the
    // letters around them still fold.
    EXPECT_EQ(toUpperCase("\xc3\x28x\xc3"), "\xc3\x28X\xc3");
    // An upper case longer than its letter in UTF-8.
    EXPECT_EQ(toUpperCase("\xc9\x90"), "\xe2\xb1\xaf");

    // Long texts go eight bytes at a time; a letter beside a multi-byte one, or near the
    // end of a text, must fold as it does on its own.
    const std::string ascii = "az@[`{AZ mp3.az@[`{AZ mp3.", upper = "AZ@[`{AZ MP3.AZ@[`{AZ MP3.";
    for (const std::string inserted : {"", "ä", "\xc9\x90", "\xff"}) {
        for (std::size_t length = 0; length <= 24; ++length) {
            for (std::size_t at = 0; at <= length; ++at) {
                const std::string text =
                    ascii.substr(0, at) + inserted + ascii.substr(at, length - at);
                ASSERT_EQ(toUpperCase(text), upper.substr(0, at) + toUpperCase(inserted) +
                                                 upper.substr(at, length - at))
                    << "text: " << text;
            }
        }
    }
}

// The program's own table, which the player adapter shares without Qt, against Qt's mapping.
TEST(CaseFold, UpperCasesEveryCharacterAsQtDoes) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
        ASSERT_EQ(simpleUpperCase(c), QChar::toUpper(c)) << "U+" << std::hex << unsigned(c);
}

TEST(Search, FindsTheseRowsButNoneForABlankTextOrInAnEmptyIndex) {
    // ı folds to one byte less, ɐ to one byte more: the rows after them keep their numbers.
    const SearchIndex index(testing::makeSnapshot(
        {
            "/m/\xc4\xb1x.mp3",      // 1
            "/m/\xc9\x90y.mp3",      // 2
            "/m/x abc.mp3",          // 3
            "/m/abc.mp3",            // 4
            "/m/Abc.MP3",            // 5
            "/m/xabcxabcx.mp3",      // 6
            "/abc/folder only.mp3",  // 7
            "/m/Artist - Title.mp3", // 8
            "/m/two  blanks.mp3",    // 9
            "/m/empty name/",        // 10
            "/m/Über Straße.mp3",    // 11
            "/m/ÜBER STRASSE.mp3",   // 12
            "/m/kein\xffutf8.mp3",   // 13
            "/m/\xc9\x90z.mp3",      // 14
        },
        {"/Musik/Rock/", "/Musik/Rock/Live 1999/", "/Daten/Jazz/", "/Musik/My Band Name/",
         "/\xc4\xb1/", "/\xc9\x90/"}));
    struct Case {
        const char* why;
        const char* text;
        bool exact, folders;
        std::vector<std::uint32_t> rows;
    };
    const Case cases[] = {
        {"case ignored, each name once, index order", "ABC", false, false, {3, 4, 5, 6}},
        {"umlauts fold", "über", false, false, {11, 12}},
        {"ß has no upper case of its own", "straße", false, false, {11}},
        {"bytes that are not UTF-8", "\xffUTF8", false, false, {13}},
        {"a letter that folds longer", "\xc9\x90", false, false, {2, 14}},
        {"a letter that folds shorter", "\xc4\xb1x", false, false, {1}},
        {"the file name only", "folder", false, false, {7}},
        {"an empty file name never matches", "empty", false, false, {}},
        {"a leading blank is part of the pattern", " abc", false, false, {3}},
        {"two blanks", "  ", false, false, {9}},
        {"no wildcards", "*.mp3", false, false, {}},
        {"every file name", "mp3", false, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14}},
        {"no match across rows", "MP3\nX", false, false, {}},
        {"exact: not before the dot", "Title", true, false, {}},
        {"exact: between blanks", "-", true, false, {8}},
        {"exact: not at the start", "abc", true, false, {}},
        {"exact: not a letter inside", "x", true, false, {}},
        {"folders: whole paths, case ignored", "musik", false, true, {1, 2, 4}},
        {"folders: exact, not before the slash", "Rock", true, true, {}},
        {"folders: exact, between blanks", "Band", true, true, {4}},
        {"folders: after one that folds shorter", "/\xc9\x90", false, true, {6}},
    };
    for (const Case& c : cases) {
        const std::string term = prepareSearchTerm(c.text, c.exact);
        const ResultSet found = c.folders ? searchFolders(index, term) : searchSongs(index, term);
        EXPECT_EQ(found.numbers, c.rows) << c.why;
        EXPECT_EQ(found.kind, c.folders ? RowKind::Folder : RowKind::Song);
    }
    // "" and " " start no search at all; an empty index finds nothing.
    EXPECT_TRUE(isBlankSearchText("") && isBlankSearchText(" ") && !isBlankSearchText("  "));
    EXPECT_TRUE(searchSongs(SearchIndex(), "a").numbers.empty());
    EXPECT_TRUE(searchFolders(SearchIndex(), "a").numbers.empty());
}

TEST(ResultRows, GiveTheTargetsOfTheirRow) {
    const IndexPtr snapshot = testing::makeSnapshot(
        {"/Musik/Mit Blank/Lied \"x\".mp3", "/Wurzel.mp3"}, {"/Musik/Mit Blank/", "/"});
    EXPECT_EQ(ResultRow(snapshot, RowKind::Song, 1).songTarget(),
              "/Musik/Mit Blank/Lied \"x\".mp3");
    EXPECT_EQ(ResultRow(snapshot, RowKind::Song, 2).folder(), "/");
    // A folder's target ends without its slash, but for the root.
    for (const auto& [kind, row, target] : {std::tuple{RowKind::Song, 1, "/Musik/Mit Blank"},
                                            {RowKind::Song, 2, "/"},
                                            {RowKind::Folder, 1, "/Musik/Mit Blank"},
                                            {RowKind::Folder, 2, "/"}})
        EXPECT_EQ(ResultRow(snapshot, kind, row).folderTarget(), target);
}

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
