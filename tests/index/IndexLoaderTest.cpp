#include "index/IndexLoader.h"
#include "base/TextFile.h"

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

class IndexLoading : public ::testing::Test {
protected:
    void writeIndex(std::string_view fileCount, std::string_view songs,
                    std::string_view folderCount, std::string_view folders) {
        dir.write("files.dat", fileCount);
        dir.write("index.dat", songs);
        dir.write("ordner.dat", folderCount);
        dir.write("index1.dat", folders);
    }

    testing::TempDir dir;
};

TEST_F(IndexLoading, SplitsRowsAndKeepsCountTextsAndIgnoresLinesBeyondTheCounts) {
    writeIndex(" 6 \r\n",
               "/Musik/Rock/Titel.mp3\r\n/Musik/Rock/\r\nohne Ordner.mp3\r\n/Musik/Rock/1.mp3\r\n"
               "/Musik/Rock/Live/2.mp3\r\n/Musik/Rock/3.mp3\r\n/zu/viel.mp3",
               " 2 \r\n", "/Musik/Rock/\r\n/\r\n/zu/viel/\r\n");
    auto loaded = loadIndex(dir.path());
    ASSERT_TRUE(loaded.ok()) << loaded.error().description;
    const IndexSnapshot& index = *loaded.value();
    ASSERT_EQ(index.songCount(), 6u);
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
    EXPECT_EQ(index.fileCountText(), " 6 ");
    EXPECT_EQ(index.folderCountText(), " 2 ");
}

TEST_F(IndexLoading, EachFileMustBeThereAndAPlainFileEvenForZeroLines) {
    for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"}) {
        for (const char* kind : {"<missing>", "<FIFO>", "</dev/zero>", "<folder>"}) {
            SCOPED_TRACE(std::string(name) + " " + kind);
            // Counts of 0, so that each list is opened, not just measured.
            dir.writeIndex({}, {});
            ASSERT_TRUE(loadIndex(dir.path()).ok());
            dir.put(name, kind);
            EXPECT_FALSE(loadIndex(dir.path()).ok());
            dir.remove(name);
        }
    }
}

TEST_F(IndexLoading, BrokenIndexesFailWithAnError) {
    const std::string three = "/a/1.mp3\r\n/a/2.mp3\r\n/a/3.mp3\r\n";
    struct Case {
        const char* name;
        std::string fileCount, songs, folderCount;
    };
    for (const Case& c : {
             Case{"short song list", " 3 \r\n", "/a/1.mp3\r\n/a/2.mp3\r\n", " 1 \r\n"},
             Case{"short folder list", " 3 \r\n", three, " 2 \r\n"},
             Case{"empty count file", "", three, " 1 \r\n"},
             Case{"largest count", " 18446744073709551615 \r\n", three, " 1 \r\n"},
             // Longer than any count line may be.
             Case{"long count line", std::string(5000, ' ') + "3\r\n", three, " 1 \r\n"},
             Case{"bad folder count", " 3 \r\n", three, " x \r\n"},
         }) {
        SCOPED_TRACE(c.name);
        writeIndex(c.fileCount, c.songs, c.folderCount, "/a/\r\n");
        auto loaded = loadIndex(dir.path());
        ASSERT_FALSE(loaded.ok());
        EXPECT_FALSE(loaded.error().description.empty());
    }
}

// What /proc/self/status tells of this process, in bytes.
std::size_t memoryFigure(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0)
            return std::stoull(line.substr(std::strlen(name))) * 1024;
    return 0;
}

// Files made to hurt, each in the place of one index file: every load fails for the right
// reason, within a few MiB. Run in a child whose address space is bounded, so that a loader
// that grew with the file fails there and cannot take the machine down.
TEST_F(IndexLoading, HostileFilesFailWithinBoundedMemory) {
    constexpr std::uint64_t gib = 1ull << 30;
    struct Case {
        const char* name;
        const char* file;
        const char* content; // as TempDir::put takes it
        std::uint64_t sparseTo;
        std::uint64_t count;
        const char* reason;
    };
    const char* const tooLong = "länger als jeder Pfad";
    const char* const special = "Keine reguläre Datei";
    for (const Case& c : {
             Case{"songs without a line end, GiBs", "index.dat", "/a/", 4 * gib, 3, tooLong},
             Case{"folders without a line end, MiBs", "index1.dat", "", 8 << 20, 3, tooLong},
             Case{"the largest count over GiBs", "index.dat", "", 5 * gib, 0xFFFFFFFF, tooLong},
             Case{"a count line without an end", "files.dat", "   ", gib, 0, "zu lang"},
             Case{"a FIFO", "index.dat", "<FIFO>", 0, 3, special},
             Case{"a socket", "index1.dat", "<socket>", 0, 3, special},
             Case{"a link to /dev/zero", "index.dat", "</dev/zero>", 0, 3, special},
         }) {
        SCOPED_TRACE(c.name);
        dir.clear();
        dir.writeIndex({"/a/1.mp3"}, {"/a/"});
        const std::string count = " " + std::to_string(c.count) + " \r\n";
        dir.write(c.file == std::string("index1.dat") ? "ordner.dat" : "files.dat", count);
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
            if (loaded.error().description.find(c.reason) == std::string::npos)
                ::_exit(12);
            ::_exit(memoryFigure("VmHWM:") - before < (16u << 20) ? 0 : 13);
        };
        // 11: loaded, 12: for another reason, 13: took more than 16 MiB.
        EXPECT_EXIT(loadWithinBounds(), ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(IndexLoading, ReloadFromInsideAReloadIsRefused) {
    std::vector<std::string> songs;
    for (int i = 0; i < 20000; ++i)
        songs.push_back("/a/" + std::to_string(i) + ".mp3");
    dir.writeIndex(songs);
    IndexStore store;
    int refused = 0;
    const auto outcome = store.reload(dir.path(), [&] {
        if (store.reload(dir.path()) == IndexStore::Outcome::Busy)
            ++refused;
    });
    EXPECT_EQ(outcome, IndexStore::Outcome::Loaded);
    EXPECT_GT(refused, 0);
    EXPECT_NE(store.reload(dir.path()), IndexStore::Outcome::Busy);
}

TEST_F(IndexLoading, ChangedFilesAreReadAgainAndAFailedReloadKeepsTheIndexInUse) {
    const timespec hourAgo{::time(nullptr) - 3600, 0};
    const auto setModified = [&](const char* name, const timespec& when) {
        const timespec times[2] = {when, when};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    };
    const auto shown = [](const IndexSnapshot& index) {
        return index.fileCountText() + index.fullPath(1) + index.folderCountText() +
               std::string(index.folder(1));
    };
    // Each file with a content of the same size that shows after the change.
    for (const auto& [file, sameSize] : {std::pair{"files.dat", "1  \r\n"},
                                         {"index.dat", "/b/1.mp3\r\n"},
                                         {"ordner.dat", "  1\r\n"},
                                         {"index1.dat", "/b/\r\n"}}) {
        for (const char* change : {"rewritten", "replaced by a rename", "touched", "removed"}) {
            SCOPED_TRACE(std::string(file) + " " + change);
            dir.writeIndex({"/a/1.mp3"}, {"/a/"});
            // Written within the same tick of the file clock, a change could keep every stamp.
            IndexStore justWritten;
            ASSERT_EQ(justWritten.reload(dir.path()), IndexStore::Outcome::Loaded);
            EXPECT_EQ(justWritten.reload(dir.path()), IndexStore::Outcome::Loaded);
            // An index saved an hour ago.
            for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
                setModified(name, hourAgo);
            IndexStore store;
            int freed = 0;
            const auto reload = [&] { return store.reload(dir.path(), {}, [&] { ++freed; }); };
            ASSERT_EQ(reload(), IndexStore::Outcome::Loaded);
            const IndexPtr first = store.current();
            const std::string before = shown(*first);
            EXPECT_EQ(reload(), IndexStore::Outcome::Unchanged);
            EXPECT_EQ(store.current(), first);
            EXPECT_EQ(freed, 1);

            const std::string_view what = change;
            if (what == "rewritten") {
                dir.write(file, sameSize);
            } else if (what == "replaced by a rename") {
                // With the old file's time: only which file it is tells the change.
                dir.write("neu", sameSize);
                setModified("neu", hourAgo);
                ASSERT_EQ(std::rename(dir.file("neu").c_str(), dir.file(file).c_str()), 0);
            } else if (what == "touched") {
                setModified(file, {::time(nullptr), 0});
            } else {
                dir.remove(file);
                EXPECT_EQ(reload(), IndexStore::Outcome::Failed);
                EXPECT_EQ(store.current(), first);
                continue;
            }
            ASSERT_EQ(reload(), IndexStore::Outcome::Loaded);
            EXPECT_NE(store.current(), first);
            EXPECT_EQ(freed, 2);
            EXPECT_EQ(shown(*first), before) << "the snapshot in use before changed";
            if (what != "touched") {
                EXPECT_NE(shown(*store.current()), before);
            }
        }
    }
}

TEST(WriteFileAtomically, AFailedReplaceLeavesNoTemporaryFile) {
    testing::TempDir dir;
    // A target that is a folder cannot be replaced: the rename fails after the write.
    dir.makeDirectory("taken");
    EXPECT_FALSE(writeFileAtomically(dir.file("taken"), " 2 \r\n").ok());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"taken"});
}

} // namespace
} // namespace liedspur
