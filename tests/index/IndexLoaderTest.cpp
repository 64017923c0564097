#include "index/IndexLoader.h"
#include "index/CountLine.h"
#include "index/LineReader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
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
         {Case{"CR LF, a lone CR or LF", "a\r\nb\rc\nd\r\n", {"a", "b", "c", "d"}},
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
    for (const char* line : {"", "   ", "abc", " -3 ", " +3 ", " 3abc ", "3 4", " 3.0 ",
                             " 18446744073709551616 ", "0x10"})
        EXPECT_FALSE(parseCountLine(line).has_value()) << '"' << line << '"';
}

class IndexLoading : public ::testing::Test {
protected:
    testing::TempDir dir;
};

TEST_F(IndexLoading, SplitsRowsAndKeepsCountTextsAndIgnoresLinesBeyondTheCounts) {
    dir.write("files.dat", " 6 \r\n");
    dir.write("index.dat", "/Musik/Rock/Titel.mp3\r\n/Musik/Rock/\r\nohne Ordner.mp3\r\n"
                           "/Musik/Rock/1.mp3\r\n/Musik/Rock/Live/2.mp3\r\n/Musik/Rock/3.mp3\r\n"
                           "/zu/viel.mp3");
    dir.write("ordner.dat", " 2 \r\n");
    dir.write("index1.dat", "/Musik/Rock/\r\n/\r\n/zu/viel/\r\n");
    auto loaded = loadIndex(dir.path());
    ASSERT_TRUE(loaded.ok()) << loaded.error().description;
    const IndexSnapshot& index = *loaded.value();
    std::vector<std::string> split;
    for (std::size_t row = 1; row <= index.songCount(); ++row)
        split.push_back(std::string(index.folderPath(row)) + "|" +
                        std::string(index.fileName(row)));
    // Rows in the folder of the row before share it; each row still has its own.
    EXPECT_EQ(split, (std::vector<std::string>{"/Musik/Rock/|Titel.mp3", "/Musik/Rock/|",
                                               "|ohne Ordner.mp3", "/Musik/Rock/|1.mp3",
                                               "/Musik/Rock/Live/|2.mp3", "/Musik/Rock/|3.mp3"}));
    ASSERT_EQ(index.folderCount(), 2u);
    EXPECT_EQ(index.folder(2), "/");
    EXPECT_EQ(index.fileCountText() + "|" + index.folderCountText(), " 6 | 2 ");
}

// What /proc/self/status tells of this process, in bytes.
std::size_t memoryFigure(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0)
            return std::stoull(line.substr(std::strlen(name))) * 1024;
    return 0;
}

// Files that cannot be an index, each in the place of one index file: every load fails for
// its reason, within a few MiB. Run in a child whose address space is bounded, so that a
// loader that grew with the file fails there and cannot take the machine down.
TEST_F(IndexLoading, UnusableFilesFailForTheirReasonWithinBoundedMemory) {
    constexpr std::uint64_t gib = 1ull << 30;
    struct Case {
        std::string name, file;
        std::string content; // as TempDir::put takes it
        std::uint64_t count; // in the count file of the list
        std::string reason;
        std::uint64_t sparseTo = 0;
    };
    const std::string tooLong = "länger als jeder Pfad", special = "Keine reguläre Datei";
    std::vector<Case> cases = {
        {"songs without a line end, GiBs", "index.dat", "/a/", 3, tooLong, 4 * gib},
        {"folders without a line end, MiBs", "index1.dat", "", 3, tooLong, 8 << 20},
        {"the largest count over GiBs", "index.dat", "", 0xFFFFFFFF, tooLong, 5 * gib},
        {"a count line without an end", "files.dat", "   ", 0, "zu lang", gib},
        {"a count beyond 32 bits", "files.dat", " 18446744073709551615 \r\n", 0, "zu viele"},
        {"an empty count file", "files.dat", "", 0, "leer"},
        {"a bad folder count", "ordner.dat", " x \r\n", 0, "keine Anzahl"},
        {"a short song list", "index.dat", "/a/1.mp3\r\n", 2, "weniger Zeilen"},
        {"a short folder list", "index1.dat", "/a/\r\n", 2, "weniger Zeilen"},
        {"a socket", "index1.dat", "<socket>", 3, special},
    };
    // Counts of 0 too, so that each list is opened, not just measured.
    for (const char* file : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
        for (const char* kind : {"<missing>", "<FIFO>", "</dev/zero>", "<folder>"})
            cases.push_back({std::string(file) + " " + kind, file, kind, 0,
                             kind[1] == 'm'   ? "nicht gefunden"
                             : kind[1] == 'f' ? "Ist ein Verzeichnis"
                                              : special});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.clear();
        dir.writeIndex({"/a/1.mp3"}, {"/a/"});
        const std::string count = " " + std::to_string(c.count) + " \r\n";
        dir.write(c.file == "index1.dat" ? "ordner.dat" : "files.dat", count);
        dir.put(c.file, c.content);
        if (c.sparseTo > 0) {
            ASSERT_EQ(::truncate(dir.file(c.file).c_str(), static_cast<off_t>(c.sparseTo)), 0);
        }

        const auto loadWithinBounds = [&] {
            const rlim_t room = memoryFigure("VmSize:") + (256u << 20);
            const rlimit limit{room, room};
            std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts anew
            const std::size_t before = memoryFigure("VmHWM:");
            if (::setrlimit(RLIMIT_AS, &limit) != 0)
                ::_exit(10);
            auto loaded = loadIndex(dir.path());
            if (loaded)
                ::_exit(11);
            const std::string& description = loaded.error().description;
            if (description.find(c.reason) == description.npos ||
                description.find(c.file) == description.npos)
                ::_exit(12);
            ::_exit(memoryFigure("VmHWM:") - before < (16u << 20) ? 0 : 13);
        };
        // 11: loaded, 12: for another reason or file, 13: took more than 16 MiB.
        EXPECT_EXIT(loadWithinBounds(), ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(IndexLoading, ReloadsReadChangedFilesAgainRefuseToNestAndKeepTheIndexWhenTheyFail) {
    using Outcome = IndexStore::Outcome;
    const auto saveAnHourAgo = [&](const char* name) {
        const timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    };
    const auto shown = [](const IndexPtr& index) {
        return index->fileCountText() + index->fullPath(1) + index->folderCountText() +
               std::string(index->folder(1));
    };
    // One asked for from inside a reload, through its yield, is refused. Written within the
    // same tick of the file clock, a change could keep every stamp: read again.
    dir.writeIndex(std::vector<std::string>(20000, "/a/x.mp3"));
    IndexStore justWritten;
    int refused = 0;
    ASSERT_EQ(justWritten.reload(
                  dir.path(), [&] { refused += justWritten.reload(dir.path()) == Outcome::Busy; }),
              Outcome::Loaded);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(justWritten.reload(dir.path()), Outcome::Loaded);

    // Each file rewritten in place, then replaced by a rename that keeps the old file's time
    // (only which file it is tells that change), each time by a content of the same size.
    for (const auto& [file, rewritten, renamed] : {std::tuple{"files.dat", "1  \r\n", "  1\r\n"},
                                                   {"index.dat", "/b/1.mp3\r\n", "/c/1.mp3\r\n"},
                                                   {"ordner.dat", "1  \r\n", "  1\r\n"},
                                                   {"index1.dat", "/b/\r\n", "/c/\r\n"}}) {
        SCOPED_TRACE(file);
        dir.writeIndex({"/a/1.mp3"}, {"/a/"});
        IndexStore store;
        int freed = 0;
        const auto reload = [&] { return store.reload(dir.path(), {}, [&] { ++freed; }); };
        for (const char* content : {rewritten, renamed}) {
            for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
                saveAnHourAgo(name);
            ASSERT_EQ(reload(), Outcome::Loaded);
            const IndexPtr first = store.current();
            const std::string before = shown(first);
            freed = 0;
            EXPECT_EQ(reload(), Outcome::Unchanged);
            dir.write(content == renamed ? "neu" : file, content);
            if (content == renamed) {
                saveAnHourAgo("neu");
                ASSERT_EQ(std::rename(dir.file("neu").c_str(), dir.file(file).c_str()), 0);
            }
            EXPECT_EQ(reload(), Outcome::Loaded);
            EXPECT_EQ(freed, 1);
            EXPECT_EQ(shown(first), before) << "the snapshot in use before changed";
            EXPECT_NE(shown(store.current()), before);
        }
        const IndexPtr last = store.current();
        dir.remove(file);
        EXPECT_EQ(reload(), Outcome::Failed);
        EXPECT_EQ(store.current(), last);
    }
}

} // namespace
} // namespace liedspur
