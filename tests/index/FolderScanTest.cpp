#include "index/IndexRun.h"

#include "RecordingProgress.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {
namespace {

namespace fs = std::filesystem;
using testing::lines;
using Lines = std::vector<std::string>;

class FolderScanning : public ::testing::Test {
protected:
    void SetUp() override { tree.makeDirectory("root"); }

    // Makes these files, or folders where a name ends in "/", below the start folder.
    void make(const Lines& names) {
        for (const std::string& name : names)
            name.ends_with('/') ? tree.makeDirectory("root/" + name)
                                : tree.write("root/" + name, "x");
    }
    std::string root() const { return tree.file("root"); }
    std::string at(const std::string& name) const { return root() + "/" + name; }
    Lines at(const Lines& names) const {
        Lines paths;
        for (const std::string& name : names)
            paths.push_back(at(name));
        return paths;
    }

    Result<ScanEnd, RunFailure> run(const std::string& start) {
        return indexRun.run(app.path(), start, progress);
    }
    Result<ScanEnd, RunFailure> run() { return run(root()); }
    // The temporary lists hold just what was reported.
    void expectListsAsReported() {
        EXPECT_EQ(app.read("mp3.tmp"), lines(progress.songs));
        EXPECT_EQ(app.read("ordner.tmp"), lines(progress.folderLines));
    }

    testing::TempDir tree, app;
    testing::RecordingProgress progress;
    IndexRun indexRun;
};

TEST_F(FolderScanning, WalksDepthFirstWithOwnSongsBeforeSubfoldersOrTheStartFolderAlone) {
    // Read in turn: a wait for a listing read ahead looks at the cancel flag as well.
    indexRun = IndexRun(ListingReadAhead::Limits{0, 0, true});
    make({"A/A1/", "B/", "C/C1/", "Ordner.mp3/", "r2.mp3", "r1.mp3", ".mp3", "laut.MP3",
          "leise.Mp3", "cover.jpg", "mp3", "A/a1.mp3", "A/A1/x.mp3", "B/b2.mp3", "B/b1.mp3",
          "B/b3.mp3", "C/C1/c.mp3", "Ordner.mp3/nicht.txt"});
    make({"zwei\nZeilen/", "zwei\nZeilen/drin.mp3", "mit\rCR.mp3", "mit\nLF.mp3"});

    ASSERT_EQ(run().value(), ScanEnd::Completed);
    // Names with line ends cannot be lines of the index and are left out.
    EXPECT_EQ(progress.songs, at({".mp3", "r1.mp3", "r2.mp3", "A/a1.mp3", "A/A1/x.mp3", "B/b1.mp3",
                                  "B/b2.mp3", "B/b3.mp3", "C/C1/c.mp3"}));
    // C holds only a subfolder and gets no line.
    EXPECT_EQ(progress.folderLines, at({"", "A/", "A/A1/", "B/", "C/C1/"}));
    EXPECT_EQ(progress.entered, at({"A", "A/A1", "B", "C", "C/C1", "Ordner.mp3", "zwei\nZeilen"}));
    expectListsAsReported();
    EXPECT_EQ(indexRun.counters().filesFound, 9u);
    EXPECT_EQ(indexRun.counters().foldersFound, 5u);
    EXPECT_EQ(indexRun.counters().foldersEntered, 7u);
    // Cancel looked at before each of the 17 files and each of the 7 subfolders.
    EXPECT_EQ(progress.cancelChecks, 17u + 7u);

    // Cancelled, with listings read ahead as in a real run, the walk stops at once: it keeps
    // the lines so far and enters no folder after that of the last song.
    const Lines all = progress.songs;
    indexRun = IndexRun();
    for (const std::size_t songs : {0, 4}) {
        SCOPED_TRACE(songs);
        progress = {};
        progress.cancelWhen = [&] { return progress.songs.size() >= songs; };
        ASSERT_EQ(run().value(), ScanEnd::Cancelled);
        EXPECT_EQ(progress.songs, Lines(all.begin(), all.begin() + songs));
        EXPECT_EQ(progress.folderLines.size(), songs ? 2u : 0u);
        EXPECT_EQ(progress.entered, songs ? Lines{at("A")} : Lines{});
        expectListsAsReported();
    }

    // Without subfolders only the start folder's own songs; the same without the slash.
    progress = {};
    progress.subfolders = false;
    ASSERT_EQ(run(root() + "/").value(), ScanEnd::Completed);
    EXPECT_EQ(progress.songs, at({".mp3", "r1.mp3", "r2.mp3"}));
    EXPECT_EQ(progress.folderLines, Lines{at("")});
    expectListsAsReported();
    EXPECT_EQ(withTrailingSlash("/"), "/");
}

TEST_F(FolderScanning, ListsFilesThenSubfoldersInTheOriginalPlatformsNameOrder) {
    // Upper case of the search, then bytes: no natural numbers, no locale, and bytes that
    // are not UTF-8 stay as they are.
    make({"b.mp3",  "B.mp3",    "Z.mp3",      "a.mp3",      "A.mp3",       "ä.mp3",
          "Ä.mp3",  "é.mp3",    "ß.mp3",      "10.mp3",     "9.mp3",       "1.mp3",
          "_x.mp3", "\xE9.mp3", "Über.mp3",   "ueber.mp3",  "zwei/",       "Eins/",
          "älter/", "Ärger/",   "zwei/s.mp3", "Eins/s.mp3", "älter/s.mp3", "Ärger/s.mp3"});
    ASSERT_TRUE(run());
    EXPECT_EQ(app.read("mp3.tmp"),
              lines(at({"1.mp3",    "10.mp3",     "9.mp3",      "A.mp3",       "a.mp3",
                        "B.mp3",    "b.mp3",      "ueber.mp3",  "Z.mp3",       "_x.mp3",
                        "Ä.mp3",    "ä.mp3",      "é.mp3",      "Über.mp3",    "ß.mp3",
                        "\xE9.mp3", "Eins/s.mp3", "zwei/s.mp3", "älter/s.mp3", "Ärger/s.mp3"})));
}

TEST_F(FolderScanning, FollowsLinksOnlyOutOfTheStartFolderAndNeverIntoPseudoFileSystems) {
    testing::TempDir outside;
    outside.makeDirectory("Album/Kreis");
    outside.write("Album/a.mp3", "x");
    outside.write("Album/Kreis/k.mp3", "x");
    fs::create_directory_symlink(outside.file("Album"), outside.file("Album/Kreis/zurueck"));
    tree.write("neben.mp3", "x"); // beside the start folder, in its parent
    make({"Zecht/innen/", "Zecht/e.mp3", "Zecht/innen/i.mp3"});
    // Into the tree (listed before the real folder), to the start folder, to an ancestor, to
    // the root, out of the tree (with a circle there), to /proc and to /sys.
    const std::pair<const char*, std::string> links[] = {{"0drin", at("Zecht")},
                                                         {"1start", root()},
                                                         {"2oben", tree.path()},
                                                         {"3wurzel", "/"},
                                                         {"4aussen", outside.file("Album")},
                                                         {"5proc", "/proc"},
                                                         {"6sys", "/sys"}};
    for (const auto& [name, target] : links)
        fs::create_directory_symlink(target, at(name));

    ASSERT_EQ(run().value(), ScanEnd::Completed);
    EXPECT_EQ(progress.songs,
              at({"4aussen/a.mp3", "4aussen/Kreis/k.mp3", "Zecht/e.mp3", "Zecht/innen/i.mp3"}));
    EXPECT_EQ(progress.entered, at({"4aussen", "4aussen/Kreis", "Zecht", "Zecht/innen"}));
    for (const char* start : {"/proc", "/sys", "/proc/self"}) {
        progress = {};
        ASSERT_EQ(run(start).value(), ScanEnd::Completed) << start;
        EXPECT_TRUE(progress.entered.empty()) << start;
    }
}

TEST_F(FolderScanning, FoldersThatCannotBeListedArePassedOverAndOtherFailuresEndTheRun) {
    // A path longer than the system takes cannot be opened, whoever runs the test.
    make({"lang/", "offen/", "offen/da.mp3"});
    int fd = ::open(at("lang").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 25 && fd >= 0; ++i) {
        ::mkdirat(fd, std::string(200, 'o').c_str(), 0755);
        const int next = ::openat(fd, std::string(200, 'o').c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ::close(::openat(fd, "tief.mp3", O_WRONLY | O_CREAT, 0644));
    ::close(fd);

    ASSERT_EQ(run().value(), ScanEnd::Completed);
    // Too deep for a removal by path.
    ASSERT_EQ(std::system(("rm -rf '" + at("lang") + "'").c_str()), 0);
    EXPECT_EQ(progress.songs, Lines{at("offen/da.mp3")});

    // A failure ends the run with its reason.
    const auto missing = run(at("gibt-es-nicht"));
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().startFolder);
    EXPECT_NE(missing.error().error.description.find("nicht gefunden"), std::string::npos);
    // The lists were opened before the folder and are left empty and closed.
    EXPECT_EQ(app.read("mp3.tmp") + app.read("ordner.tmp"), "");
    app.remove("ordner.tmp");
    app.makeDirectory("ordner.tmp");
    const auto blocked = run();
    ASSERT_FALSE(blocked);
    EXPECT_FALSE(blocked.error().startFolder);
    EXPECT_NE(blocked.error().error.description.find("ordner.tmp"), std::string::npos);
}

} // namespace
} // namespace liedspur
