#include "index/IndexSaver.h"
#include "index/IndexLoader.h"

#include "Snapshots.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>

namespace liedspur {
namespace {

using testing::lines;
using testing::tableOf;
using testing::TempDir;

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

const Lists oldIndex = numbered(5, 2, "/alt");
const Lists run = numbered(12, 3, "/neu");

// A run's temporary lists, as a folder scan leaves them.
void writeRun(const TempDir& dir, const Lists& lists = run) {
    dir.write("mp3.tmp", lines(lists.songs));
    dir.write("ordner.tmp", lines(lists.folders));
}

// Every name in the directory with what it holds (nothing for a folder or a FIFO).
std::map<std::string, std::string> allFiles(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : dir.names())
        files[name] = std::filesystem::is_regular_file(dir.file(name)) ? dir.read(name) : "";
    return files;
}

// The index as a load gives it; none when it does not load.
std::optional<Lists> loaded(const std::string& directory, const FileOps& ops = FileOps()) {
    auto index = loadIndex(directory, {}, ops);
    if (!index)
        return std::nullopt;
    Lists lists;
    for (std::size_t row = 1; row <= index.value()->songCount(); ++row)
        lists.songs.emplace_back(index.value()->fullPath(row));
    for (std::size_t row = 1; row <= index.value()->folderCount(); ++row)
        lists.folders.emplace_back(index.value()->folder(row));
    return lists;
}

TEST(IndexSaving, SavesThatCannotBeDoneFailAndChangeNothing) {
    struct Case {
        bool append;
        const char* file;    // "*.dat": the four index files
        const char* content; // or what TempDir::put takes for no file or a special one
    };
    const std::string longLine(20000, 'x');
    TempDir dir;
    for (const Case& c :
         {Case{false, "mp3.tmp", "<missing>"}, Case{false, "mp3.tmp", "<FIFO>"},
          Case{false, "mp3.tmp", "<folder>"}, Case{false, "ordner.tmp", "<missing>"},
          Case{true, "*.dat", "<missing>"}, Case{true, "files.dat", "<missing>"},
          Case{true, "ordner.dat", "<missing>"}, Case{true, "files.dat", "zehn\r\n"},
          Case{true, "ordner.dat", "<FIFO>"}, Case{true, "index.dat", "/alt/s1\r\n"},
          Case{true, "index.dat", "<FIFO>"}, Case{true, "index1.dat", "<FIFO>"},
          // The run's folder list shorter than its count.
          Case{true, "ordner.tmp", "/neu/o1\r\n"}, Case{true, "index.dat", longLine.c_str()},
          // A file by the record's name that no save wrote is never replaced, nor taken for
          // a record by a load, even beside a file by a staged file's name.
          Case{false, "liedspur.journal", "Tagebuch\r\n"}, Case{true, "liedspur.journal", "<FIFO>"},
          Case{false, "liedspur.journal", ""}, Case{true, "liedspur.journal", "index.dat\r\n"},
          Case{false, "liedspur.journal", "Liedspur: gespeichert\r\nlauf\r\n../x 1 2\r\n"},
          Case{true, "liedspur.journal", "Liedspur: gespeichert\r\nlauf\r\nfiles.dat 5 1"},
          Case{false, "liedspur.journal", "<folder>"}}) {
        SCOPED_TRACE(std::string(c.append ? "append, " : "replace, ") + c.file + " " + c.content);
        dir.clear();
        if (c.file != std::string("*.dat"))
            dir.writeIndex(oldIndex.songs, oldIndex.folders);
        writeRun(dir);
        dir.put(c.file, c.content);
        if (c.file == std::string("liedspur.journal"))
            dir.write("files.dat.liedspur-neu", " 3 \r\n");
        const auto before = allFiles(dir);
        const auto saved = c.append ? appendIndex(dir.path(), tableOf(run.songs), 3)
                                    : replaceIndex(dir.path(), 12, 3);
        ASSERT_FALSE(saved);
        const std::string named = c.file == std::string("*.dat") ? "files.dat" : c.file;
        EXPECT_NE(saved.error().description.find(named), std::string::npos);
        const bool damaged = named.ends_with(".dat");
        EXPECT_EQ(loaded(dir.path()), damaged ? std::nullopt : std::optional(oldIndex));
        EXPECT_EQ(allFiles(dir), before); // after the save and the load
    }
}

TEST(IndexSaving, AppendStartsRightBehindTheCountedLinesAndCountsBeyondSixteenBits) {
    TempDir dir;
    // Lines beyond the count (an interrupted save) and a last line without its line end.
    dir.write("index.dat", "/alt/a\r\n/alt/b\r\n/rest/x\r\n");
    dir.write("files.dat", "  2  \r\n");
    dir.write("index1.dat", "/alt/\n/ohne-ende/");
    dir.write("ordner.dat", " 2 \r\n");
    writeRun(dir);
    const std::vector<std::string> many = numbered(40000, 0, "/viel").songs;
    ASSERT_TRUE(appendIndex(dir.path(), tableOf(many), 1));
    EXPECT_EQ(dir.read("index.dat"), "/alt/a\r\n/alt/b\r\n" + lines(many));
    EXPECT_EQ(dir.read("files.dat") + dir.read("ordner.dat"), " 40002 \r\n 3 \r\n");
    EXPECT_EQ(dir.read("index1.dat"), "/alt/\n/ohne-ende/\r\n/neu/o1/\r\n");
}

// Fails the file operations of a save from the n-th on: that one call only (an error the
// save sees and answers), or every call from there on: the program died at that point, or
// the disk went read-only there (then only the calls that write fail).
struct Fault {
    enum Kind { Once, Crash, ReadOnly } kind;
    int at;
    int calls = 0;

    FileOps ops() {
        return FileOps([this](FileOps::Access access) {
            if (++calls == at)
                return kind == ReadOnly ? EROFS : EIO;
            if (calls < at || kind == Once)
                return 0;
            return kind == Crash ? EIO : access == FileOps::Access::Writes ? EROFS : 0;
        });
    }
    bool fired() const { return calls >= at; }
};

struct SaveCase {
    const char* name;
    bool append;
    std::optional<Lists> old; // none: no index yet
    Lists run;

    friend void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }
};

// The user's files beside the index, by names a save or load could take for its own.
const std::map<std::string, std::string> usersFiles = {
    {"files.dat.backup", " 7 \r\n"},
    {"ordner.dat.backup", " 2 \r\n"},
    {"index.dat.new", "/privat/a.mp3\r\n"},
    {"files.dat.2024ab", " 1 \r\n"},
    {"index.journal", "Liedspur: gespeichert\r\nindex.dat\r\n"},
    {"index.journal.txt", "Notizen"},
    {"Plattenbox.ini", "/opt/winamp.exe\r\n"}};

// The names of the files in `dir` that are not the user's; those must be there as they were.
std::vector<std::string> ownNames(const TempDir& dir) {
    std::vector<std::string> names = dir.names();
    std::erase_if(names, [](const std::string& name) { return usersFiles.contains(name); });
    for (const auto& [name, content] : usersFiles)
        EXPECT_EQ(dir.read(name), content) << name;
    return names;
}

class InterruptedSave : public ::testing::TestWithParam<SaveCase> {
protected:
    Result<SaveOutcome> save(const std::string& directory, const FileOps& ops = FileOps()) {
        const SaveCase& c = GetParam();
        if (!c.append)
            return replaceIndex(directory, c.run.songs.size(), c.run.folders.size(), ops);
        return appendIndex(directory, tableOf(c.run.songs), c.run.folders.size(), ops);
    }

    // The directory as it is now, copied, so that loading it (which may finish the save)
    // leaves this one as the interruption left it.
    const TempDir& copyOfDirectory() {
        copies.emplace_back();
        std::filesystem::copy(dir.path(), copies.back().path(),
                              std::filesystem::copy_options::recursive);
        return copies.back();
    }

    TempDir dir;
    std::deque<TempDir> copies;
};

// What a save answers is what the next load gives: failed, the old index; saved (or saved
// with its last steps left to the next load), the new one. Saving again after either gives
// the run once. The user's files stay as they are throughout.
TEST_P(InterruptedSave, AnswersWhatTheNextLoadGivesAndAddsTheRunOnce) {
    const SaveCase& c = GetParam();
    Lists fresh = c.append ? *c.old : Lists{};
    fresh.songs.insert(fresh.songs.end(), c.run.songs.begin(), c.run.songs.end());
    fresh.folders.insert(fresh.folders.end(), c.run.folders.begin(), c.run.folders.end());
    // Only the index files are left, and the run's lists after an append.
    std::vector<std::string> filesAfterSaving = {"files.dat", "index.dat", "index1.dat",
                                                 "ordner.dat"};
    if (c.append)
        filesAfterSaving = {"files.dat", "index.dat",  "index1.dat",
                            "mp3.tmp",   "ordner.dat", "ordner.tmp"};
    for (const Fault::Kind kind : {Fault::Once, Fault::Crash, Fault::ReadOnly}) {
        int failed = 0;
        int pending = 0;
        for (int at = 1;; ++at) {
            copies.clear();
            SCOPED_TRACE("fault " + std::to_string(kind) + " at call " + std::to_string(at));
            dir.clear();
            if (c.old)
                dir.writeIndex(c.old->songs, c.old->folders);
            writeRun(dir, c.run);
            for (const auto& [name, content] : usersFiles)
                dir.write(name, content);
            Fault fault{kind, at};
            const Result<SaveOutcome> result = save(dir.path(), fault.ops());
            if (!fault.fired()) {
                ASSERT_TRUE(result) << result.error().description;
                // Byte for byte as the program writes an index.
                EXPECT_EQ(dir.read("index.dat") + dir.read("files.dat") + dir.read("index1.dat") +
                              dir.read("ordner.dat"),
                          lines(fresh.songs) + " " + std::to_string(fresh.songs.size()) + " \r\n" +
                              lines(fresh.folders) + " " + std::to_string(fresh.folders.size()) +
                              " \r\n");
                EXPECT_EQ(ownNames(dir), filesAfterSaving);
                break;
            }
            const std::optional<Lists> after = loaded(copyOfDirectory().path());
            ASSERT_TRUE(after == c.old || after == fresh);
            EXPECT_EQ(bool(result), after == fresh);
            ownNames(copies.back());
            if (!result) {
                ++failed;
                EXPECT_FALSE(result.error().description.empty());
            } else if (result.value() == SaveOutcome::Pending) {
                // Still read-only: the load reads the new files where they wait.
                EXPECT_EQ(loaded(copyOfDirectory().path(), Fault{Fault::ReadOnly, 0}.ops()), fresh);
                // Read-only from the first call after the commit point on, nothing has moved.
                // A staged file lost then (by a file system, or by hand) is never taken as
                // moved: loads fail and the old files stay whole, until a replace saves anew.
                if (++pending == 1 && kind == Fault::ReadOnly && !c.append) {
                    const TempDir& lost = copyOfDirectory();
                    lost.remove("index.dat.liedspur-neu");
                    const auto before = allFiles(lost);
                    EXPECT_FALSE(loaded(lost.path()));
                    EXPECT_FALSE(
                        appendIndex(lost.path(), tableOf(c.run.songs), c.run.folders.size()));
                    EXPECT_EQ(allFiles(lost), before);
                    ASSERT_TRUE(save(lost.path()));
                    EXPECT_EQ(loaded(lost.path()), c.run);
                }
            } else {
                // Nothing of the save is left behind (a run list may be: it does no harm).
                for (const std::string& name : dir.names())
                    EXPECT_EQ(name.find("liedspur"), std::string::npos) << name;
                continue;
            }
            // Saving again, the disk whole again: the run once, and nothing left behind.
            const Result<SaveOutcome> repeated = save(dir.path());
            ASSERT_TRUE(repeated) << repeated.error().description;
            EXPECT_EQ(repeated.value(), SaveOutcome::Finished);
            EXPECT_EQ(loaded(dir.path()), fresh);
            EXPECT_EQ(ownNames(dir), filesAfterSaving);
        }
        EXPECT_GT(failed, 0);
        // Failures after the commit point are made again until they pass, or, from a crash
        // or a read-only disk, leave the rest to the next load.
        EXPECT_EQ(pending > 0, kind != Fault::Once);
    }
}

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
