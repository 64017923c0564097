#include "index/IndexRun.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {
namespace {

namespace fs = std::filesystem;

// Records what a scan reports and cancels once a number of songs has been found.
class RecordingProgress : public ScanProgress {
public:
    void yield() override { ++yields; }
    bool cancelRequested() override {
        ++cancelChecks;
        return cancelAfterSongs && counters.filesFound >= *cancelAfterSongs;
    }
    bool includeSubfolders() override { return subfolders; }
    void folderListed(std::string_view line, const ScanCounters& now) override {
        folderLines.emplace_back(line);
        counters = now;
    }
    void songFound(std::string_view path, const ScanCounters& now) override {
        songs.emplace_back(path);
        counters = now;
    }
    void folderEntered(std::string_view path, const ScanCounters& now) override {
        entered.emplace_back(path);
        counters = now;
    }
    void stoppedOnCancel() override { ++stops; }

    bool subfolders = true;
    std::optional<std::uint64_t> cancelAfterSongs;
    std::vector<std::string> songs, folderLines, entered;
    ScanCounters counters;
    int yields = 0, cancelChecks = 0, stops = 0;
};

std::string lines(const std::vector<std::string>& items) {
    std::string bytes;
    for (const auto& item : items)
        bytes += item + "\r\n";
    return bytes;
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/', path.size() - 2) + 1);
}

// Removes a tree by descriptors, as its paths may be too long to name whole.
void removeTree(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd >= 0) {
        DIR* directory = ::fdopendir(fd);
        std::vector<std::string> children;
        while (const dirent* entry = ::readdir(directory))
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
                children.emplace_back(entry->d_name);
        for (const auto& child : children)
            if (::unlinkat(fd, child.c_str(), 0) != 0)
                removeTree(fd, child.c_str());
        ::closedir(directory);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

class FolderScanning : public ::testing::Test {
protected:
    void SetUp() override { tree.makeDirectory("root"); }

    void file(const std::string& name) { tree.write("root/" + name, "x"); }
    void folder(const std::string& name) { tree.makeDirectory("root/" + name); }
    std::string root() const { return tree.file("root"); }
    std::string at(const std::string& name) const { return root() + "/" + name; }

    Result<ScanEnd> run(const std::string& start) {
        return indexRun.run(app.path(), start, progress);
    }
    Result<ScanEnd> run() { return run(root()); }

    std::string songList() const { return app.read("mp3.tmp"); }
    std::string folderList() const { return app.read("ordner.tmp"); }

    testing::TempDir tree, app;
    RecordingProgress progress;
    IndexRun indexRun;
};

TEST_F(FolderScanning, WalksDepthFirstWithOwnSongsBeforeSubfolders) {
    // Read in turn: a wait for a listing read ahead looks at the cancel flag as well.
    indexRun = IndexRun(ListingReadAhead::Limits{0, 0, true});
    for (const char* name : {"A/A1", "B", "C/C1", "Ordner.mp3"})
        folder(name);
    for (const char* name :
         {"r1.mp3", "r2.mp3", ".mp3", "laut.MP3", "leise.Mp3", "cover.jpg", "mp3", "A/a1.mp3",
          "A/A1/x.mp3", "B/b1.mp3", "B/b2.mp3", "B/b3.mp3", "C/C1/c.mp3", "Ordner.mp3/nicht.txt"})
        file(name);

    ASSERT_EQ(run().value(), ScanEnd::Completed);

    const std::string r = root() + "/";
    EXPECT_EQ(std::set<std::string>(progress.songs.begin(), progress.songs.end()),
              (std::set<std::string>{r + "r1.mp3", r + "r2.mp3", r + ".mp3", r + "A/a1.mp3",
                                     r + "A/A1/x.mp3", r + "B/b1.mp3", r + "B/b2.mp3",
                                     r + "B/b3.mp3", r + "C/C1/c.mp3"}));
    EXPECT_EQ(progress.entered.size(), 6u);

    // Folders are entered in pre-order: each one's parent is on the path walked so far.
    std::vector<std::string> stack{r};
    for (const auto& entered : progress.entered) {
        const std::string folder = entered + "/";
        while (!stack.empty() && stack.back() != parentOf(folder))
            stack.pop_back();
        ASSERT_FALSE(stack.empty()) << entered << " entered out of depth-first order";
        stack.push_back(folder);
    }
    // Songs come folder by folder in the order the folders were entered, each folder line
    // just once and before its songs; C holds only a subfolder and gets no line.
    std::vector<std::string> expectedFolders;
    std::vector<std::string> visit{r};
    for (const auto& entered : progress.entered)
        visit.push_back(entered + "/");
    std::size_t next = 0;
    for (const auto& folder : visit) {
        std::size_t own = 0;
        while (next < progress.songs.size() && parentOf(progress.songs[next]) == folder)
            ++next, ++own;
        if (own > 0)
            expectedFolders.push_back(folder);
    }
    EXPECT_EQ(next, progress.songs.size()) << "a folder's songs are not together";
    EXPECT_EQ(progress.folderLines, expectedFolders);
    EXPECT_EQ(expectedFolders.size(), 5u);

    EXPECT_EQ(songList(), lines(progress.songs));
    EXPECT_EQ(folderList(), lines(progress.folderLines));
    EXPECT_EQ(indexRun.counters().filesFound, 9u);
    EXPECT_EQ(indexRun.counters().foldersFound, 5u);
    EXPECT_EQ(indexRun.counters().foldersEntered, 6u);
    // Cancel looked at before each of the 14 files and each of the 6 subfolders.
    EXPECT_EQ(progress.cancelChecks, 14 + 6);
}

TEST_F(FolderScanning, WithoutSubfoldersOnlyTheStartFoldersOwnFiles) {
    folder("A");
    file("eins.mp3");
    file("A/zwei.mp3");
    progress.subfolders = false;
    ASSERT_TRUE(run());
    EXPECT_EQ(songList(), root() + "/eins.mp3\r\n");
    EXPECT_EQ(folderList(), root() + "/\r\n");
    EXPECT_EQ(indexRun.counters().foldersEntered, 0u);
}

TEST_F(FolderScanning, StartFolderGivenWithTrailingSlashGivesTheSameLines) {
    file("eins.mp3");
    ASSERT_TRUE(run(root() + "/"));
    EXPECT_EQ(songList(), root() + "/eins.mp3\r\n");
    EXPECT_EQ(folderList(), root() + "/\r\n");
}

TEST_F(FolderScanning, CancelStopsAtOnceAndKeepsTheLinesSoFar) {
    for (int i = 0; i < 5; ++i) {
        folder("F" + std::to_string(i) + "/tief");
        file("F" + std::to_string(i) + "/tief/a.mp3");
        file("F" + std::to_string(i) + "/tief/b.mp3");
    }
    progress.cancelAfterSongs = 3;
    ASSERT_EQ(run().value(), ScanEnd::Cancelled);
    EXPECT_EQ(progress.songs.size(), 3u);
    EXPECT_GE(progress.stops, 1);
    EXPECT_EQ(songList(), lines(progress.songs));
    EXPECT_EQ(folderList(), lines(progress.folderLines));
    EXPECT_EQ(progress.folderLines.size(), 2u);
    // Nothing is entered after the cancel: the last folder entered holds the third song.
    EXPECT_EQ(progress.entered.back() + "/", parentOf(progress.songs.back()));
}

TEST_F(FolderScanning, CancelBeforeTheFirstSongLeavesEmptyLists) {
    file("a.mp3");
    progress.cancelAfterSongs = 0;
    ASSERT_EQ(run().value(), ScanEnd::Cancelled);
    EXPECT_EQ(songList(), "");
    EXPECT_EQ(folderList(), "");
    EXPECT_EQ(progress.stops, 1);
}

TEST_F(FolderScanning, ListsFilesThenSubfoldersInTheOriginalPlatformsNameOrder) {
    // Upper case of the search, then bytes: no natural numbers, no locale, and bytes that
    // are not UTF-8 stay as they are.
    for (const char* name : {"b", "B", "Z", "a", "A", "ä", "Ä", "é", "ß", "10", "9", "1", "_x",
                             "\xE9", "Über", "ueber"})
        file(std::string(name) + ".mp3");
    for (const char* name : {"zwei", "Eins", "älter", "Ärger"}) {
        folder(name);
        file(std::string(name) + "/s.mp3");
    }
    ASSERT_TRUE(run());

    std::vector<std::string> expected;
    for (const char* name : {"1", "10", "9", "A", "a", "B", "b", "ueber", "Z", "_x", "Ä", "ä", "é",
                             "Über", "ß", "\xE9"})
        expected.push_back(at(std::string(name) + ".mp3"));
    for (const char* name : {"Eins", "zwei", "älter", "Ärger"})
        expected.push_back(at(std::string(name) + "/s.mp3"));
    EXPECT_EQ(songList(), lines(expected));
    fs::remove(at("\xE9.mp3")); // a name Qt's temporary folder could not remove
}

TEST_F(FolderScanning, FollowsLinksOnlyOutOfTheStartFolderAndNeverIntoPseudoFileSystems) {
    testing::TempDir outside;
    outside.makeDirectory("Album/Kreis");
    outside.write("Album/a.mp3", "x");
    outside.write("Album/Kreis/k.mp3", "x");
    fs::create_directory_symlink(outside.file("Album"), outside.file("Album/Kreis/zurueck"));
    tree.write("neben.mp3", "x"); // beside the start folder, in its parent

    struct Case {
        const char* name;
        std::string linkTarget;
        // Songs found below the link, and whether the tree's own folder is found in full.
        std::vector<std::string> viaLink;
    };
    const std::string raus = "0link/";
    for (const Case& c : {
             Case{"into the tree, listed before the real folder", at("Zecht"), {}},
             Case{"to the start folder", root(), {}},
             Case{"to an ancestor", tree.path(), {}},
             Case{"to the root", "/", {}},
             Case{"out of the tree, with a circle there",
                  outside.file("Album"),
                  {"a.mp3", "Kreis/k.mp3"}},
             Case{"to /proc", "/proc", {}},
             Case{"to /sys", "/sys", {}},
         }) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root());
        folder("Zecht/innen");
        file("Zecht/e.mp3");
        file("Zecht/innen/i.mp3");
        fs::create_directory_symlink(c.linkTarget, at("0link"));
        progress = {};

        ASSERT_EQ(run().value(), ScanEnd::Completed);
        std::vector<std::string> expected;
        for (const auto& song : c.viaLink)
            expected.push_back(at(raus + song));
        expected.push_back(at("Zecht/e.mp3"));
        expected.push_back(at("Zecht/innen/i.mp3"));
        EXPECT_EQ(progress.songs, expected);
        EXPECT_EQ(progress.entered.size(), (c.viaLink.empty() ? 0u : 2u) + 2u);
    }
}

TEST_F(FolderScanning, StartFoldersOnPseudoFileSystemsAreNotEntered) {
    for (const char* start : {"/proc", "/sys", "/proc/self"}) {
        progress = {};
        ASSERT_EQ(run(start).value(), ScanEnd::Completed) << start;
        EXPECT_TRUE(progress.entered.empty()) << start;
    }
}

TEST_F(FolderScanning, NamesWithLineEndsAreLeftOut) {
    folder("zwei\nZeilen");
    file("zwei\nZeilen/drin.mp3");
    file("mit\rCR.mp3");
    file("mit\nLF.mp3");
    file("gut.mp3");
    ASSERT_TRUE(run());
    EXPECT_EQ(songList(), root() + "/gut.mp3\r\n");
    EXPECT_EQ(folderList(), root() + "/\r\n");
    EXPECT_EQ(indexRun.counters().filesFound, 1u);
}

TEST_F(FolderScanning, FoldersThatCannotBeListedArePassedOver) {
    // A path longer than the system takes cannot be opened, whoever runs the test.
    const std::string segment(200, 'o');
    std::string deep = root() + "/lang";
    fs::create_directory(deep);
    int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(fd, segment.c_str(), 0755), 0);
        const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    const int song = ::openat(fd, "tief.mp3", O_WRONLY | O_CREAT, 0644);
    ::close(song);
    ::close(fd);
    folder("verschlossen");
    file("verschlossen/geheim.mp3");
    ::chmod(at("verschlossen").c_str(), 0);
    folder("offen");
    file("offen/da.mp3");

    ASSERT_EQ(run().value(), ScanEnd::Completed);
    ::chmod(at("verschlossen").c_str(), 0755);
    removeTree(AT_FDCWD, deep.c_str());
    std::set<std::string> found(progress.songs.begin(), progress.songs.end());
    EXPECT_TRUE(found.count(at("offen/da.mp3")));
    for (const auto& path : found)
        EXPECT_EQ(path.find("tief.mp3"), std::string::npos);
    if (::geteuid() != 0) {
        EXPECT_FALSE(found.count(at("verschlossen/geheim.mp3")));
    }
}

TEST_F(FolderScanning, FailuresEndTheRunWithTheReason) {
    const auto missing = run(at("gibt-es-nicht"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().description.find("nicht gefunden"), std::string::npos);
    // The lists were opened before the folder and are left empty and closed.
    EXPECT_EQ(songList(), "");
    EXPECT_EQ(folderList(), "");

    file("a.mp3");
    std::remove(app.file("ordner.tmp").c_str());
    app.makeDirectory("ordner.tmp");
    const auto blocked = run();
    ASSERT_FALSE(blocked);
    EXPECT_NE(blocked.error().description.find("ordner.tmp"), std::string::npos);

    const auto noDirectory = indexRun.run(app.file("fehlt"), root(), progress);
    ASSERT_FALSE(noDirectory);
    EXPECT_NE(noDirectory.error().description.find("mp3.tmp"), std::string::npos);
}

TEST_F(FolderScanning, SongAtTheStartFoldersRootGivesTheRootAsFolderLine) {
    // The same cut at the last "/" that gives "/" for a song in the file system's root.
    file("a.mp3");
    file("b.mp3");
    file("c.mp3");
    ASSERT_TRUE(run());
    EXPECT_EQ(folderList(), root() + "/\r\n");
    EXPECT_EQ(indexRun.counters().foldersFound, 1u);
    EXPECT_EQ(indexRun.counters().filesFound, 3u);
    EXPECT_EQ(withTrailingSlash("/"), "/");
    EXPECT_EQ(withTrailingSlash("/a"), "/a/");
}

} // namespace
} // namespace liedspur
