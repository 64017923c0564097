#include "index/FolderScan.h"

#include "Processes.h"
#include "RecordingProgress.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

namespace liedspur {
namespace {

namespace fs = std::filesystem;

// Now and then lets the workers run ahead of the walk, so that many orders of events are
// tried, and cancels after a number of looks at the flag.
struct ShakingProgress : testing::RecordingProgress {
    explicit ShakingProgress(unsigned seed, std::size_t cancelAfterChecks = SIZE_MAX)
        : random(seed) {
        onYield = [this] {
            if (random() % 8 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
        };
        cancelWhen = [this, cancelAfterChecks] { return cancelChecks > cancelAfterChecks; };
    }
    std::mt19937 random;
};

// Folders that do not answer until `open` is set, as on a share that has gone; or, for the
// walk in turn, that answer as folders passed over.
struct Silence {
    std::function<bool(const std::string& path)> silent = [](const std::string&) { return false; };
    bool passedOver = false;
    std::shared_ptr<std::atomic<bool>> open = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> stuck = std::make_shared<std::atomic<int>>(0);
};

struct SilentReader : ListingReader {
    SilentReader(const std::string& start, Silence quiet)
        : ListingReader(start, std::make_shared<MountTable>(MountTable::current())),
          silence(std::move(quiet)) {}
    FolderListing read(const std::string& path, const std::atomic<bool>& stop) const override {
        if (silence.silent(path) && silence.passedOver) {
            FolderListing none;
            none.error = ETIMEDOUT;
            return none;
        }
        for (*silence.stuck += silence.silent(path); silence.silent(path) && !*silence.open;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ListingReader::read(path, stop);
    }
    Silence silence;
};

struct SilentScan : FolderScan {
    using FolderScan::FolderScan;
    std::shared_ptr<const ListingReader> makeReader(const std::string& start) const override {
        return std::make_shared<SilentReader>(start, silence);
    }
    Silence silence;
};

// Scans into lists that are thrown away: the progress records what the scan found.
ScanEnd scan(const std::string& start, ScanProgress& progress, ListingReadAhead::Limits limits,
             const Silence& silence = {}) {
    testing::TempDir lists;
    auto songs = LineWriter::create(lists.file("mp3.tmp"));
    auto folders = LineWriter::create(lists.file("ordner.tmp"));
    SilentScan scan(songs.value(), folders.value(), progress, limits);
    scan.silence = silence;
    return scan.scan(start).value();
}

// Whether `part` is where `whole` starts.
bool startsAs(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

std::size_t threadCount() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

// A random tree of folders whose names differ only in case, umlauts and digits, songs
// and other files, links out of the tree (several to one folder, which leads round in a
// circle) and links back into it.
struct RandomTree {
    explicit RandomTree(unsigned seed) : random(seed) {
        outside.makeDirectory("Sampler/CD 1");
        outside.write("Sampler/s.mp3", "x");
        outside.write("Sampler/CD 1/t.mp3", "x");
        fs::create_directory_symlink(outside.file("Sampler"), outside.file("Sampler/CD 1/zurück"));
        tree.makeDirectory("root");
        grow(root(), 0);
    }
    std::string root() const { return tree.file("root"); }

    void grow(const std::string& folder, int depth) {
        std::vector<std::string> names{"a",  "A",   "b",    "Ä",     "ä", "10", "9", "1",
                                       "Zz", "x y", "Über", "ueber", "é", "É",  "_", "mp3"};
        std::shuffle(names.begin(), names.end(), random);
        const char* const endings[] = {".mp3", ".mp3", ".MP3", ".jpg", ""};
        std::size_t next = 0;
        for (unsigned files = random() % 6; files > 0; --files)
            testing::writeFileBytes(folder + "/" + names[next++] + endings[random() % 5], "x");
        for (unsigned subfolders = depth < 4 ? random() % 4 : 0; subfolders > 0; --subfolders) {
            const std::string path = folder + "/" + names[next++];
            if (const unsigned kind = random() % 8; kind < 2) {
                fs::create_directory_symlink(kind == 0 ? outside.file("Sampler") : root(), path);
            } else {
                fs::create_directory(path);
                grow(path, depth + 1);
            }
        }
    }

    std::mt19937 random;
    testing::TempDir tree, outside;
};

TEST(ReadAhead, WalksRandomTreesExactlyAsTheSerialWalk) {
    const ListingReadAhead::Limits inTurn{0, 0, true, 0};
    const ListingReadAhead::Limits readAheads[] = {
        {1, 1, true, 1},     // the folder the walk waits for is read even when the rest is full
        {3, 2, true, 3},     // more workers than room
        {16, 256, true, 16}, // as on a share
    };
    const std::size_t threadsBefore = threadCount();
    int stuck = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const RandomTree tree(seed);
        // On every fourth tree some folders never answer: the walk passes over them as the
        // serial walk over folders that cannot be listed, without waiting for their workers.
        Silence silence;
        if (seed % 4 == 0)
            silence.silent = [seed, start = tree.root() + "/"](const std::string& path) {
                return path != start && std::hash<std::string>()(path) % (3 + seed % 5) == 0;
            };
        silence.passedOver = true;
        ShakingProgress serial(seed);
        ASSERT_EQ(scan(tree.root(), serial, inTurn, silence), ScanEnd::Completed);
        silence.passedOver = false;

        for (auto limits : readAheads) {
            limits.answer = limits.answerOnSilentMount = std::chrono::milliseconds(100);
            ShakingProgress progress(seed);
            EXPECT_EQ(scan(tree.root(), progress, limits, silence), ScanEnd::Completed);
            EXPECT_EQ(std::tie(progress.songs, progress.folderLines, progress.entered),
                      std::tie(serial.songs, serial.folderLines, serial.entered));
        }

        // Cancelled at a random moment, the lists hold a beginning of the serial walk's.
        ShakingProgress cancelling(seed, seed * 7919 % (serial.cancelChecks + 1));
        scan(tree.root(), cancelling, readAheads[seed % 3], silence);
        EXPECT_TRUE(startsAs(cancelling.songs, serial.songs));
        EXPECT_TRUE(startsAs(cancelling.folderLines, serial.folderLines));
        *silence.open = true;
        stuck += *silence.stuck;
        // Workers end on their own, a moment after their scan.
        EXPECT_TRUE(testing::eventually([&] { return threadCount() <= threadsBefore; }))
            << "a worker outlived its scan";
    }
    EXPECT_GT(stuck, 10);
}

} // namespace
} // namespace liedspur
