#include "index/IndexLoader.h"
#include "base/TextFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

TEST_F(IndexLoading, SplitsRowsAndKeepsCountTexts) {
    writeIndex(" 6 \r\n",
               "/Musik/Rock/Titel.mp3\r\n/Musik/Rock/\r\nohne Ordner.mp3\r\n/Musik/Rock/1.mp3\r\n"
               "/Musik/Rock/Live/2.mp3\r\n/Musik/Rock/3.mp3",
               " 2 \r\n", "/Musik/Rock/\r\n/\r\n");
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
    EXPECT_EQ(index.fullPath(5), "/Musik/Rock/Live/2.mp3");
    ASSERT_EQ(index.folderCount(), 2u);
    EXPECT_EQ(index.folder(2), "/");
    EXPECT_EQ(index.fileCountText(), " 6 ");
    EXPECT_EQ(index.folderCountText(), " 2 ");
}

TEST_F(IndexLoading, LinesBeyondTheCountAreIgnored) {
    writeIndex(" 3 \r\n", "/a/1.mp3\r\n/a/2.mp3\r\n/a/3.mp3\r\n/a/4.mp3\r\n/a/5.mp3\r\n", " 1 \r\n",
               "/a/\r\n/b/\r\n");
    auto loaded = loadIndex(dir.path());
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value()->songCount(), 3u);
    EXPECT_EQ(loaded.value()->folderCount(), 1u);
}

TEST_F(IndexLoading, ZeroSongsStillNeedsTheListFile) {
    writeIndex(" 0 \r\n", "", " 0 \r\n", "");
    ASSERT_TRUE(loadIndex(dir.path()).ok());
    std::remove(dir.file("index.dat").c_str());
    EXPECT_FALSE(loadIndex(dir.path()).ok());
}

struct BrokenIndex {
    const char* name;
    const char* fileCount;
    const char* songs;
    const char* folderCount;
    const char* folders;
};

class BrokenIndexFails : public IndexLoading, public ::testing::WithParamInterface<BrokenIndex> {};

TEST_P(BrokenIndexFails, WithAnError) {
    const BrokenIndex& broken = GetParam();
    writeIndex(broken.fileCount, broken.songs, broken.folderCount, broken.folders);
    auto loaded = loadIndex(dir.path());
    ASSERT_FALSE(loaded.ok());
    EXPECT_FALSE(loaded.error().description.empty());
}

constexpr const char* threeSongs = "/a/1.mp3\r\n/a/2.mp3\r\n/a/3.mp3\r\n";
// A count whose line is longer than any count line may be.
const std::string farRightCount = std::string(5000, ' ') + "3\r\n";

INSTANTIATE_TEST_SUITE_P(
    Loading, BrokenIndexFails,
    ::testing::Values(
        BrokenIndex{"ShortSongList", " 3 \r\n", "/a/1.mp3\r\n/a/2.mp3\r\n", " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"ShortFolderList", " 3 \r\n", threeSongs, " 2 \r\n", "/a/\r\n"},
        BrokenIndex{"EmptyCountFile", "", threeSongs, " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"EmptyCountLine", "\r\n", threeSongs, " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"FourBillion", " 4000000000 \r\n", threeSongs, " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"LargestCount", " 18446744073709551615 \r\n", threeSongs, " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"LongCountLine", farRightCount.c_str(), threeSongs, " 1 \r\n", "/a/\r\n"},
        BrokenIndex{"BadFolderCount", " 3 \r\n", threeSongs, " x \r\n", "/a/\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(IndexLoading, MissingFilesFail) {
    EXPECT_FALSE(loadIndex(dir.path()).ok());
    writeIndex(" 1 \r\n", "/a/1.mp3\r\n", " 1 \r\n", "/a/\r\n");
    std::remove(dir.file("index1.dat").c_str());
    EXPECT_FALSE(loadIndex(dir.path()).ok());
}

TEST_F(IndexLoading, SpecialFilesFailAtOnce) {
    for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"}) {
        for (const char* kind : {"FIFO", "link to /dev/zero", "folder"}) {
            SCOPED_TRACE(std::string(name) + " as " + kind);
            // Counts of 0, so that each list is opened, not just measured.
            writeIndex(" 0 \r\n", "", " 0 \r\n", "");
            dir.remove(name);
            if (kind == std::string("FIFO"))
                dir.makeFifo(name);
            else if (kind == std::string("folder"))
                dir.makeDirectory(name);
            else
                dir.makeLink(name, "/dev/zero");
            EXPECT_FALSE(loadIndex(dir.path()).ok());
            dir.remove(name);
        }
    }
}

// The peak resident memory of this process, in bytes.
std::size_t peakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    return 0;
}

TEST_F(IndexLoading, AHugeCountFileIsRejectedFromItsStart) {
    writeIndex(" 1 \r\n", "/a/1.mp3\r\n", " 1 \r\n", "/a/\r\n");
    // Blanks, then a sparse gigabyte of zeros: no line end anywhere.
    dir.write("files.dat", std::string(64 * 1024, ' '));
    ASSERT_EQ(::truncate(dir.file("files.dat").c_str(), 1LL << 30), 0);
    const std::size_t before = peakMemory();
    EXPECT_FALSE(loadIndex(dir.path()).ok());
    EXPECT_LT(peakMemory() - before, 16u << 20);
}

TEST_F(IndexLoading, FailedReloadKeepsTheSnapshotInUse) {
    IndexStore store;
    EXPECT_EQ(store.current()->songCount(), 0u);
    EXPECT_EQ(store.current()->fileCountText(), "");
    writeIndex(" 1 \r\n", "/a/1.mp3\r\n", " 1 \r\n", "/a/\r\n");
    ASSERT_EQ(store.reload(dir.path()), IndexStore::Outcome::Loaded);
    const IndexPtr before = store.current();

    dir.write("files.dat", " 5 \r\n");
    EXPECT_EQ(store.reload(dir.path()), IndexStore::Outcome::Failed);
    EXPECT_EQ(store.current(), before);
    EXPECT_EQ(store.current()->fullPath(1), "/a/1.mp3");
}

TEST_F(IndexLoading, ReloadFromInsideAReloadIsRefused) {
    std::string songs;
    for (int i = 0; i < 20000; ++i)
        songs += "/a/" + std::to_string(i) + ".mp3\r\n";
    writeIndex(" 20000 \r\n", songs, " 0 \r\n", "");
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

enum class Change { RewrittenWithTheSameSize, ReplacedByRename, Touched, Removed };

// A change to one of the four files, and a content of the same size that shows after it.
struct IndexChange {
    std::string name;
    const char* file;
    const char* sameSize;
    Change change;
};

class IndexChanges : public IndexLoading, public ::testing::WithParamInterface<IndexChange> {
protected:
    // An index saved an hour ago.
    void writeOldIndex() {
        writeIndex(" 1 \r\n", "/a/1.mp3\r\n", " 1 \r\n", "/a/\r\n");
        for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
            setModified(name, hourAgo);
    }
    void setModified(const char* name, const timespec& when) {
        const timespec times[2] = {when, when};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    }
    static std::string shown(const IndexSnapshot& index) {
        return index.fileCountText() + index.fullPath(1) + index.folderCountText() +
               std::string(index.folder(1));
    }

    const timespec hourAgo{::time(nullptr) - 3600, 0};
};

TEST_P(IndexChanges, AreReadAgainAndNothingElseIs) {
    const IndexChange& c = GetParam();
    writeOldIndex();
    IndexStore store;
    int freed = 0;
    const auto reload = [&] { return store.reload(dir.path(), {}, [&] { ++freed; }); };
    ASSERT_EQ(reload(), IndexStore::Outcome::Loaded);
    const IndexPtr first = store.current();
    const std::string before = shown(*first);
    EXPECT_EQ(reload(), IndexStore::Outcome::Unchanged);
    EXPECT_EQ(store.current(), first);
    EXPECT_EQ(freed, 1);

    switch (c.change) {
    case Change::RewrittenWithTheSameSize:
        dir.write(c.file, c.sameSize);
        break;
    case Change::ReplacedByRename:
        // With the old file's time: only which file it is tells the change.
        dir.write("neu", c.sameSize);
        setModified("neu", hourAgo);
        ASSERT_EQ(std::rename(dir.file("neu").c_str(), dir.file(c.file).c_str()), 0);
        break;
    case Change::Touched:
        setModified(c.file, {::time(nullptr), 0});
        break;
    case Change::Removed:
        ASSERT_EQ(std::remove(dir.file(c.file).c_str()), 0);
        EXPECT_EQ(reload(), IndexStore::Outcome::Failed);
        EXPECT_EQ(store.current(), first);
        return;
    }
    ASSERT_EQ(reload(), IndexStore::Outcome::Loaded);
    EXPECT_NE(store.current(), first);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(shown(*first), before) << "the snapshot in use before changed";
    if (c.change != Change::Touched) {
        EXPECT_NE(shown(*store.current()), before);
    }
}

std::vector<IndexChange> allIndexChanges() {
    const std::pair<const char*, const char*> files[] = {{"files.dat", "1  \r\n"},
                                                         {"index.dat", "/b/1.mp3\r\n"},
                                                         {"ordner.dat", "  1\r\n"},
                                                         {"index1.dat", "/b/\r\n"}};
    const std::pair<const char*, Change> changes[] = {
        {"RewrittenWithTheSameSize", Change::RewrittenWithTheSameSize},
        {"ReplacedByRename", Change::ReplacedByRename},
        {"Touched", Change::Touched},
        {"Removed", Change::Removed}};
    std::vector<IndexChange> cases;
    for (const auto& [file, sameSize] : files) {
        for (const auto& [changeName, change] : changes) {
            std::string name = std::string(file) + "_" + changeName;
            std::replace(name.begin(), name.end(), '.', '_');
            cases.push_back({name, file, sameSize, change});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Reloading, IndexChanges, ::testing::ValuesIn(allIndexChanges()),
                         [](const auto& info) { return info.param.name; });

TEST_F(IndexLoading, FilesWrittenJustBeforeTheLoadAreReadAgainNextTime) {
    // Written within the same tick of the file clock, a change could keep every stamp.
    writeIndex(" 1 \r\n", "/a/1.mp3\r\n", " 1 \r\n", "/a/\r\n");
    IndexStore store;
    ASSERT_EQ(store.reload(dir.path()), IndexStore::Outcome::Loaded);
    EXPECT_EQ(store.reload(dir.path()), IndexStore::Outcome::Loaded);
}

TEST(WriteFileAtomically, ReplacesWholeOrNotAtAll) {
    testing::TempDir dir;
    dir.write("files.dat", " 1 \r\n");
    ASSERT_TRUE(writeFileAtomically(dir.file("files.dat"), " 112 \r\n").ok());
    EXPECT_EQ(dir.read("files.dat"), " 112 \r\n");
    // A target that is a folder cannot be replaced: the rename fails after the write.
    dir.makeDirectory("taken");
    EXPECT_FALSE(writeFileAtomically(dir.file("taken"), " 2 \r\n").ok());
    EXPECT_FALSE(writeFileAtomically(dir.file("missing/files.dat"), " 2 \r\n").ok());
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u) << "a temporary file was left behind";
}

} // namespace
} // namespace liedspur
