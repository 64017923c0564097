#include "search/Search.h"
#include "search/CaseFold.h"

#include "Snapshots.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

TEST(CaseFold, MapsLettersOneToOne) {
    EXPECT_EQ(toUpperCase("abc xyz 123"), "ABC XYZ 123");
    EXPECT_EQ(toUpperCase("äöü éàç"), "ÄÖÜ ÉÀÇ");
    EXPECT_EQ(toUpperCase("straße"), "STRAßE");
    // Bytes that are not UTF-8 stay as they are; the letters around them still fold.
    EXPECT_EQ(toUpperCase("a\xff"
                          "b\xc3"),
              "A\xff"
              "B\xc3");
    EXPECT_EQ(toUpperCase("\xc3\x28x"), "\xc3\x28X");
    // An upper case longer than its letter in UTF-8.
    EXPECT_EQ(toUpperCase("\xc9\x90"), "\xe2\xb1\xaf");
}

// Long texts go eight bytes at a time; a letter beside a multi-byte one, or near the end
// of a text, must fold as it does on its own.
TEST(CaseFold, FoldsEveryPositionOfLongTexts) {
    const std::string ascii = "az@[`{AZ mp3.";
    const std::string upper = "AZ@[`{AZ MP3.";
    for (const std::string& inserted :
         {std::string(), std::string("ä"), std::string("\xc9\x90"), std::string("\xff")}) {
        for (std::size_t length = 0; length <= 24; ++length) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text;
                std::string expected;
                for (std::size_t i = 0; i < length; ++i) {
                    if (i == at) {
                        text += inserted;
                        expected += toUpperCase(inserted);
                    }
                    text += ascii[i % ascii.size()];
                    expected += upper[i % upper.size()];
                }
                if (at == length) {
                    text += inserted;
                    expected += toUpperCase(inserted);
                }
                ASSERT_EQ(toUpperCase(text), expected) << "text: " << text;
            }
        }
    }
}

struct SongSearchCase {
    const char* why;
    const char* text;
    bool exact;
    std::vector<std::uint32_t> rows;
};

class SongSearch : public ::testing::TestWithParam<SongSearchCase> {};

TEST_P(SongSearch, FindsTheseRows) {
    static const SearchIndex index(testing::makeSnapshot({
        "/m/x abc.mp3",          // 1
        "/m/abc.mp3",            // 2
        "/m/Abc.MP3",            // 3
        "/m/xabcxabcx.mp3",      // 4
        "/abc/folder only.mp3",  // 5
        "/m/Artist - Title.mp3", // 6
        "/m/two  blanks.mp3",    // 7
        "/m/empty name/",        // 8
        "/m/Über Straße.mp3",    // 9
        "/m/ÜBER STRASSE.mp3",   // 10
        "/m/kein\xff"
        "utf8.mp3", // 11
    }));
    const SongSearchCase& c = GetParam();
    EXPECT_EQ(searchSongs(index, prepareSearchTerm(c.text, c.exact)).numbers, c.rows) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SongSearch,
    ::testing::Values(
        SongSearchCase{"case ignored, each name once, index order", "ABC", false, {1, 2, 3, 4}},
        SongSearchCase{"umlauts fold", "über", false, {9, 10}},
        SongSearchCase{"ß has no upper case of its own", "straße", false, {9}},
        SongSearchCase{"ß is not SS", "strasse", false, {10}},
        SongSearchCase{"bytes that are not UTF-8",
                       "\xff"
                       "UTF8",
                       false,
                       {11}},
        SongSearchCase{"the file name only", "folder", false, {5}},
        SongSearchCase{"never the folder", "/m/", false, {}},
        SongSearchCase{"an empty file name never matches", "empty", false, {}},
        SongSearchCase{"a leading blank is part of the pattern", " abc", false, {1}},
        SongSearchCase{"two blanks", "  ", false, {7}},
        SongSearchCase{"no wildcards", "*.mp3", false, {}},
        SongSearchCase{
            "every song with the extension", "mp3", false, {1, 2, 3, 4, 5, 6, 7, 9, 10, 11}},
        SongSearchCase{"no match across rows", "MP3\nX", false, {}},
        SongSearchCase{"exact: not before the dot", "Title", true, {}},
        SongSearchCase{"exact: between blanks", "-", true, {6}},
        SongSearchCase{"exact: not at the start", "abc", true, {}},
        SongSearchCase{"exact: not a letter inside", "x", true, {}}));

TEST(SongSearch, RowsAfterNamesThatChangeLengthWhenFoldedKeepTheirNumbers) {
    // ı folds to one byte less, ɐ to one byte more: the text as a whole keeps its length.
    const SearchIndex index(testing::makeSnapshot(
        {"/m/\xc4\xb1x.mp3", "/m/\xc9\x90y.mp3", "/m/abc.mp3", "/m/\xc9\x90z.mp3"},
        {"/\xc4\xb1/", "/\xc9\x90/"}));
    const auto songs = [&](std::string_view text) { return searchSongs(index, text).numbers; };
    EXPECT_EQ(songs("\xc9\x90y"), (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(songs("abc"), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(songs("\xc9\x90"), (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(songs("x.mp3"), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(searchFolders(index, "/\xc9\x90").numbers, (std::vector<std::uint32_t>{2}));
}

TEST(SearchText, BlankTextsStartNoSearchAndAnEmptyIndexFindsNothing) {
    EXPECT_TRUE(isBlankSearchText(""));
    EXPECT_TRUE(isBlankSearchText(" "));
    EXPECT_FALSE(isBlankSearchText("  "));
    EXPECT_EQ(prepareSearchTerm("a b", true), " a b ");
    EXPECT_EQ(prepareSearchTerm(" a ", false), " a ");
    const SearchIndex empty;
    EXPECT_TRUE(searchSongs(empty, "a").numbers.empty());
    EXPECT_TRUE(searchFolders(empty, "a").numbers.empty());
}

TEST(FolderSearch, SearchesWholePaths) {
    SearchIndex index(testing::makeSnapshot(
        {}, {"/Musik/Rock/", "/Musik/Rock/Live 1999/", "/Daten/Jazz/", "/Musik/My Band Name/"}));
    auto search = [&](std::string_view text, bool exact = false) {
        return searchFolders(index, prepareSearchTerm(text, exact)).numbers;
    };
    EXPECT_EQ(search("musik"), (std::vector<std::uint32_t>{1, 2, 4}));
    EXPECT_EQ(search("ROCK"), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_TRUE(search("Rock", true).empty());
    EXPECT_EQ(search("Band", true), (std::vector<std::uint32_t>{4}));
    const ResultSet result = searchFolders(index, "jazz");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.row(1).itemText(), "Siehe Ordner");
    EXPECT_EQ(result.row(1).folder(), "/Daten/Jazz/");
    EXPECT_EQ(result.row(1).number(), 3u);
}

TEST(ResultRows, GiveTheTargetsOfTheirRow) {
    const IndexPtr snapshot = testing::makeSnapshot(
        {"/Musik/Mit Blank/Lied \"x\".mp3", "/Wurzel.mp3"}, {"/Musik/Mit Blank/", "/"});
    const ResultRow song(snapshot, RowKind::Song, 1);
    EXPECT_EQ(song.songTarget(), "/Musik/Mit Blank/Lied \"x\".mp3");
    EXPECT_EQ(song.folderTarget(), "/Musik/Mit Blank");
    const ResultRow root(snapshot, RowKind::Song, 2);
    EXPECT_EQ(root.folder(), "/");
    EXPECT_EQ(root.folderTarget(), "/");
    const ResultRow folder(snapshot, RowKind::Folder, 1);
    EXPECT_EQ(folder.itemText(), "Siehe Ordner");
    EXPECT_EQ(folder.folderTarget(), "/Musik/Mit Blank");
    EXPECT_EQ(ResultRow(snapshot, RowKind::Folder, 2).folderTarget(), "/");
}

TEST(SongSearch, FindsRowsFarApart) {
    std::vector<std::string> songs;
    for (int i = 1; i <= 1100; ++i)
        songs.push_back("/a/" + std::string(i == 1024 || i == 7 ? "treffer" : "x") + ".mp3");
    const SearchIndex index(testing::makeSnapshot(songs));
    EXPECT_EQ(searchSongs(index, "TREFFER").numbers, (std::vector<std::uint32_t>{7, 1024}));
}

} // namespace
} // namespace liedspur
