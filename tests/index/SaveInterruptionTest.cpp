#include "index/IndexLoader.h"
#include "index/IndexSaver.h"
#include "index/SaveCommit.h"

#include "Snapshots.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace liedspur {
namespace {

using testing::lines;

// Fails the file operations of a save from the n-th on: that one call only (an error the
// save sees and answers), or every call from there on (the program died at that point).
struct Fault {
    bool crash;
    int at;
    int calls = 0;

    FileOps ops() {
        return FileOps([this] { return ++calls == at || (crash && calls > at) ? EIO : 0; });
    }
    bool fired() const { return calls >= at; }
};

struct Lists {
    std::vector<std::string> songs;
    std::vector<std::string> folders;
    bool operator==(const Lists&) const = default;
};

Lists numbered(int songs, int folders, const std::string& prefix) {
    Lists lists;
    for (int i = 1; i <= songs; ++i)
        lists.songs.push_back(prefix + "/s" + std::to_string(i) + ".mp3");
    for (int i = 1; i <= folders; ++i)
        lists.folders.push_back(prefix + "/o" + std::to_string(i) + "/");
    return lists;
}

// The index as a load gives it; none when it does not load.
std::optional<Lists> loaded(const std::string& directory) {
    auto index = loadIndex(directory);
    if (!index)
        return std::nullopt;
    Lists lists;
    for (std::size_t row = 1; row <= index.value()->songCount(); ++row)
        lists.songs.emplace_back(index.value()->fullPath(row));
    for (std::size_t row = 1; row <= index.value()->folderCount(); ++row)
        lists.folders.emplace_back(index.value()->folder(row));
    return lists;
}

struct SaveCase {
    const char* name;
    bool append;
    std::optional<Lists> old; // none: no index yet
    Lists run;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

class InterruptedSave : public ::testing::TestWithParam<SaveCase> {
protected:
    void writeStart() {
        dir.clear();
        const SaveCase& c = GetParam();
        if (c.old)
            dir.writeIndex(c.old->songs, c.old->folders);
        dir.write("mp3.tmp", lines(c.run.songs));
        dir.write("ordner.tmp", lines(c.run.folders));
    }

    Status save(const FileOps& ops) {
        const SaveCase& c = GetParam();
        if (!c.append)
            return replaceIndex(dir.path(), c.run.songs.size(), c.run.folders.size(), ops);
        return appendIndex(dir.path(), testing::tableOf(c.run.songs), c.run.folders.size(), ops);
    }

    // What saving the run over `before` gives.
    Lists saved(const std::optional<Lists>& before) const {
        const Lists& run = GetParam().run;
        if (!GetParam().append)
            return run;
        Lists lists = before.value_or(Lists{});
        lists.songs.insert(lists.songs.end(), run.songs.begin(), run.songs.end());
        lists.folders.insert(lists.folders.end(), run.folders.begin(), run.folders.end());
        return lists;
    }

    // Only the index files are left, and the run's lists after an append.
    std::vector<std::string> filesAfterSaving() const {
        if (GetParam().append)
            return {"files.dat", "index.dat", "index1.dat", "mp3.tmp", "ordner.dat", "ordner.tmp"};
        return {"files.dat", "index.dat", "index1.dat", "ordner.dat"};
    }

    // The directory as it is now, copied, so that loading it (which may finish the save)
    // leaves this one as the interruption left it.
    std::string copyOfDirectory() {
        copies.emplace_back();
        std::filesystem::copy(dir.path(), copies.back().path(),
                              std::filesystem::copy_options::recursive);
        return copies.back().path();
    }

    testing::TempDir dir;
    std::deque<testing::TempDir> copies;
};

TEST_P(InterruptedSave, LeavesTheOldOrTheNewIndexAndCanBeRepeated) {
    const SaveCase& c = GetParam();
    for (const bool crash : {false, true}) {
        int oldSeen = 0;
        int newSeen = 0;
        for (int at = 1;; ++at) {
            copies.clear();
            SCOPED_TRACE((crash ? "crash at call " : "failing call ") + std::to_string(at));
            writeStart();
            Fault fault{crash, at};
            const Status result = save(fault.ops());
            if (!fault.fired()) {
                ASSERT_TRUE(result) << result.error().description;
                // Byte for byte as the program writes an index.
                const Lists expected = saved(c.old);
                EXPECT_EQ(dir.read("index.dat") + dir.read("files.dat") + dir.read("index1.dat") +
                              dir.read("ordner.dat"),
                          lines(expected.songs) + " " + std::to_string(expected.songs.size()) +
                              " \r\n" + lines(expected.folders) + " " +
                              std::to_string(expected.folders.size()) + " \r\n");
                EXPECT_EQ(dir.names(), filesAfterSaving());
                break;
            }
            const std::optional<Lists> after = loaded(copyOfDirectory());
            const bool isOld = after == c.old;
            const bool isNew = after == saved(c.old);
            ASSERT_TRUE(isOld || isNew);
            oldSeen += isOld;
            newSeen += isNew && !isOld;
            if (result) {
                EXPECT_TRUE(isNew);
                continue;
            }
            EXPECT_FALSE(result.error().description.empty());

            // Saving again finishes or clears what the interruption left, then saves.
            const Status repeated = save(FileOps());
            ASSERT_TRUE(repeated) << repeated.error().description;
            EXPECT_EQ(loaded(dir.path()), saved(after));
            EXPECT_EQ(dir.names(), filesAfterSaving());
        }
        if (crash) {
            EXPECT_GT(oldSeen, 0);
            EXPECT_GT(newSeen, 0);
        }
    }
}

// A save committed but not finished, whose finishing is interrupted in turn at every call.
TEST_P(InterruptedSave, AnInterruptedFinishIsFinishedByTheNextLoad) {
    const SaveCase& c = GetParam();
    int pending = 0;
    for (int at = 1;; ++at) {
        writeStart();
        Fault crash{true, at};
        save(crash.ops()).ignoreError();
        if (!crash.fired())
            break;
        if (!dir.exists(savecommit::recordName))
            continue;
        ++pending;
        for (int finishAt = 1;; ++finishAt) {
            SCOPED_TRACE("save crashed at " + std::to_string(at) + ", its finish at " +
                         std::to_string(finishAt));
            const std::string state = copyOfDirectory();
            Fault finishCrash{true, finishAt};
            const Status finished = finishPendingSave(state, finishCrash.ops());
            EXPECT_EQ(loaded(state), saved(c.old));
            if (!finishCrash.fired()) {
                EXPECT_TRUE(finished);
                break;
            }
        }
        copies.clear();
    }
    EXPECT_GT(pending, 0);
}

const Lists oldIndex = numbered(5, 2, "/alt");

INSTANTIATE_TEST_SUITE_P(
    Saving, InterruptedSave,
    ::testing::Values(SaveCase{"ReplaceByALargerRun", false, oldIndex, numbered(8, 3, "/neu")},
                      SaveCase{"ReplaceByASmallerRun", false, oldIndex, numbered(2, 1, "/neu")},
                      SaveCase{"ReplaceWithoutAnIndex", false, std::nullopt,
                               numbered(3, 2, "/neu")},
                      SaveCase{"AppendALargerRun", true, oldIndex, numbered(8, 3, "/neu")},
                      SaveCase{"AppendASmallerRun", true, oldIndex, numbered(2, 1, "/neu")}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace liedspur
