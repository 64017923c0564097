#include "index/IndexSaver.h"
#include "index/IndexLoader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace liedspur {
namespace {

std::string numberedLines(const std::string& prefix, int from, int to) {
    std::string bytes;
    for (int i = from; i <= to; ++i)
        bytes += prefix + std::to_string(i) + "\r\n";
    return bytes;
}

LineTable table(const std::string& prefix, int from, int to) {
    LineTable lines;
    for (int i = from; i <= to; ++i)
        lines.append(prefix + std::to_string(i));
    return lines;
}

class IndexSaving : public ::testing::Test {
protected:
    // An index of 100 songs in 10 folders and a run of 12 songs in 3 folders.
    void writeOldIndex() {
        dir.write("index.dat", numberedLines("/alt/s", 1, 100));
        dir.write("files.dat", " 100 \r\n");
        dir.write("index1.dat", numberedLines("/alt/o", 1, 10));
        dir.write("ordner.dat", " 10 \r\n");
    }
    void writeRun() {
        dir.write("mp3.tmp", numberedLines("/neu/s", 1, 12));
        dir.write("ordner.tmp", numberedLines("/neu/o", 1, 3));
    }
    std::map<std::string, std::string> allFiles() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : dir.names())
            files[name] = std::filesystem::is_regular_file(dir.file(name)) ? dir.read(name) : "";
        return files;
    }

    testing::TempDir dir;
    const LineTable runSongs = table("/neu/s", 1, 12);
};

TEST_F(IndexSaving, ReplaceMakesTheRunTheIndexWithOrWithoutAnOldOne) {
    for (const bool withOld : {false, true}) {
        SCOPED_TRACE(withOld ? "over an old index" : "no index yet");
        if (withOld)
            writeOldIndex();
        writeRun();
        ASSERT_TRUE(replaceIndex(dir.path(), 12, 3));
        EXPECT_EQ(dir.read("index.dat"), numberedLines("/neu/s", 1, 12));
        EXPECT_EQ(dir.read("index1.dat"), numberedLines("/neu/o", 1, 3));
        EXPECT_EQ(dir.read("files.dat"), " 12 \r\n");
        EXPECT_EQ(dir.read("ordner.dat"), " 3 \r\n");
        EXPECT_FALSE(dir.exists("mp3.tmp"));
        EXPECT_FALSE(dir.exists("ordner.tmp"));
        auto loaded = loadIndex(dir.path());
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded.value()->songCount(), 12u);
        EXPECT_EQ(loaded.value()->fullPath(12), "/neu/s12");
        EXPECT_EQ(loaded.value()->folder(3), "/neu/o3");
    }
}

TEST_F(IndexSaving, ReplaceWithoutAUsableTemporaryListKeepsTheOldIndex) {
    for (const char* list : {"mp3.tmp", "ordner.tmp"}) {
        for (const char* kind : {"missing", "FIFO", "folder"}) {
            SCOPED_TRACE(std::string(list) + " " + kind);
            writeOldIndex();
            writeRun();
            dir.remove(list);
            if (kind == std::string("FIFO"))
                dir.makeFifo(list);
            else if (kind == std::string("folder"))
                dir.makeDirectory(list);
            const auto before = allFiles();
            const Status saved = replaceIndex(dir.path(), 12, 3);
            ASSERT_FALSE(saved);
            EXPECT_NE(saved.error().description.find(list), std::string::npos);
            EXPECT_EQ(allFiles(), before);
            EXPECT_TRUE(loadIndex(dir.path()));
            dir.remove(list);
        }
    }
}

TEST_F(IndexSaving, AppendAddsTheRunBehindTheOldIndex) {
    writeOldIndex();
    writeRun();
    ASSERT_TRUE(appendIndex(dir.path(), runSongs, 3));
    EXPECT_EQ(dir.read("index.dat"),
              numberedLines("/alt/s", 1, 100) + numberedLines("/neu/s", 1, 12));
    EXPECT_EQ(dir.read("index1.dat"),
              numberedLines("/alt/o", 1, 10) + numberedLines("/neu/o", 1, 3));
    EXPECT_EQ(dir.read("files.dat"), " 112 \r\n");
    EXPECT_EQ(dir.read("ordner.dat"), " 13 \r\n");
    EXPECT_EQ(dir.read("mp3.tmp"), numberedLines("/neu/s", 1, 12));
    EXPECT_EQ(dir.read("ordner.tmp"), numberedLines("/neu/o", 1, 3));

    // The same run once more doubles it; nothing is deduplicated.
    ASSERT_TRUE(appendIndex(dir.path(), runSongs, 3));
    EXPECT_EQ(dir.read("files.dat"), " 124 \r\n");
    EXPECT_EQ(dir.read("ordner.dat"), " 16 \r\n");
    auto loaded = loadIndex(dir.path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.value()->songCount(), 124u);
    EXPECT_EQ(loaded.value()->fullPath(113), "/neu/s1");
    EXPECT_EQ(loaded.value()->folder(16), "/neu/o3");
}

TEST_F(IndexSaving, AppendWithoutUsableOldCountsChangesNothing) {
    struct Case {
        const char* name;
        const char* file;
        const char* content; // "<missing>" or "<FIFO>": no file, or a FIFO in its place
    };
    for (const Case& c : {Case{"no song count", "files.dat", "<missing>"},
                          Case{"no folder count", "ordner.dat", "<missing>"},
                          Case{"count not a number", "files.dat", "zehn\r\n"},
                          Case{"count a FIFO", "ordner.dat", "<FIFO>"},
                          Case{"list shorter than its count", "index.dat", "/alt/s1\r\n"},
                          Case{"song list a FIFO", "index.dat", "<FIFO>"},
                          Case{"folder list a FIFO", "index1.dat", "<FIFO>"},
                          Case{"run's folder list short", "ordner.tmp", "/neu/o1\r\n"}}) {
        SCOPED_TRACE(c.name);
        writeOldIndex();
        writeRun();
        dir.remove(c.file);
        if (c.content == std::string("<FIFO>"))
            dir.makeFifo(c.file);
        else if (c.content != std::string("<missing>"))
            dir.write(c.file, c.content);
        const auto before = allFiles();
        EXPECT_FALSE(appendIndex(dir.path(), runSongs, 3));
        EXPECT_EQ(allFiles(), before);
        dir.remove(c.file);
    }
}

TEST_F(IndexSaving, AppendWithoutAnyIndexFailsAndCreatesNothing) {
    writeRun();
    const Status saved = appendIndex(dir.path(), runSongs, 3);
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().description.find("files.dat"), std::string::npos);
    EXPECT_FALSE(dir.exists("index.dat"));
    EXPECT_FALSE(dir.exists("index1.dat"));
}

TEST_F(IndexSaving, AppendStartsRightBehindTheCountedLines) {
    // Lines beyond the count (an interrupted save) and a last line without its line end.
    dir.write("index.dat", "/alt/a\r\n/alt/b\r\n/rest/x\r\n");
    dir.write("files.dat", "  2  \r\n");
    dir.write("index1.dat", "/alt/\n/ohne-ende/");
    dir.write("ordner.dat", " 2 \r\n");
    writeRun();
    ASSERT_TRUE(appendIndex(dir.path(), table("/neu/s", 1, 2), 1));
    EXPECT_EQ(dir.read("index.dat"), "/alt/a\r\n/alt/b\r\n/neu/s1\r\n/neu/s2\r\n");
    EXPECT_EQ(dir.read("files.dat"), " 4 \r\n");
    EXPECT_EQ(dir.read("index1.dat"), "/alt/\n/ohne-ende/\r\n/neu/o1\r\n");
    EXPECT_EQ(dir.read("ordner.dat"), " 3 \r\n");
}

TEST_F(IndexSaving, AppendCountsRunsBeyondSixteenBits) {
    dir.write("index.dat", "");
    dir.write("files.dat", " 0 \r\n");
    dir.write("index1.dat", "");
    dir.write("ordner.dat", " 0 \r\n");
    writeRun();
    ASSERT_TRUE(appendIndex(dir.path(), table("/viel/", 1, 40000), 1));
    EXPECT_EQ(dir.read("files.dat"), " 40000 \r\n");
    auto loaded = loadIndex(dir.path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.value()->fullPath(40000), "/viel/40000");
}

TEST_F(IndexSaving, SavingClearsWhatInterruptedSavesLeftAndNothingElse) {
    writeOldIndex();
    writeRun();
    const std::vector<std::string> leftovers = {"files.dat.a1B2c3", "ordner.dat.XyZ789",
                                                "index.dat.new",    "files.dat.new",
                                                "index1.dat.new",   "index.journal.new"};
    const std::vector<std::string> others = {"files.dat.bak", "files.dat.a1B2c", "index.new",
                                             "Plattenbox.ini"};
    for (const auto& name : leftovers)
        dir.write(name, " 999 \r\n");
    for (const auto& name : others)
        dir.write(name, "x");
    ASSERT_TRUE(appendIndex(dir.path(), runSongs, 3));
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"Plattenbox.ini", "files.dat", "files.dat.a1B2c",
                                        "files.dat.bak", "index.dat", "index.new", "index1.dat",
                                        "mp3.tmp", "ordner.dat", "ordner.tmp"}));
    EXPECT_EQ(dir.read("files.dat"), " 112 \r\n");
}

TEST_F(IndexSaving, ARecordNoSaveWroteIsDroppedUnread) {
    writeOldIndex();
    dir.write("files.dat.new", " 3 \r\n");
    for (const char* record : {"", "index.dat\r\n", "Liedspur: gespeichert\r\n../x\r\n"}) {
        SCOPED_TRACE(record);
        dir.write("index.journal", record);
        auto loaded = loadIndex(dir.path());
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded.value()->songCount(), 100u);
        EXPECT_FALSE(dir.exists("index.journal"));
    }
}

} // namespace
} // namespace liedspur
