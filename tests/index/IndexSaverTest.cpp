#include "index/IndexSaver.h"
#include "index/IndexLoader.h"

#include "Snapshots.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace liedspur {
namespace {

using testing::lines;
using testing::tableOf;

std::vector<std::string> numbered(const std::string& prefix, int from, int to) {
    std::vector<std::string> items;
    for (int i = from; i <= to; ++i)
        items.push_back(prefix + std::to_string(i));
    return items;
}

class IndexSaving : public ::testing::Test {
protected:
    // An index of 100 songs in 10 folders and a run of 12 songs in 3 folders.
    void writeOldIndex() { dir.writeIndex(numbered("/alt/s", 1, 100), numbered("/alt/o", 1, 10)); }
    void writeRun() {
        dir.write("mp3.tmp", lines(runSongs));
        dir.write("ordner.tmp", lines(runFolders));
    }
    std::map<std::string, std::string> allFiles() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : dir.names())
            files[name] = std::filesystem::is_regular_file(dir.file(name)) ? dir.read(name) : "";
        return files;
    }

    testing::TempDir dir;
    const std::vector<std::string> runSongs = numbered("/neu/s", 1, 12);
    const std::vector<std::string> runFolders = numbered("/neu/o", 1, 3);
};

TEST_F(IndexSaving, SavesThatCannotBeDoneFailAndChangeNothing) {
    struct Case {
        bool append;
        const char* file;    // "*.dat": the four index files
        const char* content; // or what TempDir::put takes for no file or a special one
    };
    const std::string longLine(20000, 'x');
    for (const Case& c :
         {Case{false, "mp3.tmp", "<missing>"}, Case{false, "mp3.tmp", "<FIFO>"},
          Case{false, "mp3.tmp", "<folder>"}, Case{false, "ordner.tmp", "<missing>"},
          Case{true, "*.dat", "<missing>"}, Case{true, "files.dat", "<missing>"},
          Case{true, "ordner.dat", "<missing>"}, Case{true, "files.dat", "zehn\r\n"},
          Case{true, "ordner.dat", "<FIFO>"}, Case{true, "index.dat", "/alt/s1\r\n"},
          Case{true, "index.dat", "<FIFO>"}, Case{true, "index1.dat", "<FIFO>"},
          // The run's folder list shorter than its count.
          Case{true, "ordner.tmp", "/neu/o1\r\n"}, Case{true, "index.dat", longLine.c_str()},
          // A file by the record's name that no save wrote is never replaced.
          Case{false, "liedspur.journal", "Tagebuch\r\n"},
          Case{true, "liedspur.journal", "<FIFO>"}}) {
        SCOPED_TRACE(std::string(c.append ? "append, " : "replace, ") + c.file + " " + c.content);
        dir.clear();
        if (c.file != std::string("*.dat"))
            writeOldIndex();
        writeRun();
        dir.put(c.file, c.content);
        const auto before = allFiles();
        const auto saved = c.append ? appendIndex(dir.path(), tableOf(runSongs), 3)
                                    : replaceIndex(dir.path(), 12, 3);
        ASSERT_FALSE(saved);
        const std::string named = c.file == std::string("*.dat") ? "files.dat" : c.file;
        EXPECT_NE(saved.error().description.find(named), std::string::npos);
        EXPECT_EQ(allFiles(), before);
    }
}

TEST_F(IndexSaving, AppendStartsRightBehindTheCountedLinesAndCountsBeyondSixteenBits) {
    // Lines beyond the count (an interrupted save) and a last line without its line end.
    dir.write("index.dat", "/alt/a\r\n/alt/b\r\n/rest/x\r\n");
    dir.write("files.dat", "  2  \r\n");
    dir.write("index1.dat", "/alt/\n/ohne-ende/");
    dir.write("ordner.dat", " 2 \r\n");
    writeRun();
    const std::vector<std::string> many = numbered("/viel/", 1, 40000);
    ASSERT_TRUE(appendIndex(dir.path(), tableOf(many), 1));
    EXPECT_EQ(dir.read("index.dat"), "/alt/a\r\n/alt/b\r\n" + lines(many));
    EXPECT_EQ(dir.read("files.dat"), " 40002 \r\n");
    EXPECT_EQ(dir.read("index1.dat"), "/alt/\n/ohne-ende/\r\n/neu/o1\r\n");
    EXPECT_EQ(dir.read("ordner.dat"), " 3 \r\n");
}

TEST_F(IndexSaving, LoadsAndSavesLeaveEveryOtherFileAsItIs) {
    const std::map<std::string, std::string> users = {
        {"files.dat.backup", " 7 \r\n"},
        {"ordner.dat.backup", " 2 \r\n"},
        {"index.dat.new", "/privat/a.mp3\r\n"},
        {"files.dat.2024ab", " 1 \r\n"},
        {"index.journal", "Liedspur: gespeichert\r\nindex.dat\r\n"},
        {"index.journal.txt", "Notizen"},
        {"Plattenbox.ini", "/opt/winamp.exe\r\n"}};
    writeOldIndex();
    for (const auto& [name, content] : users)
        dir.write(name, content);
    const auto songsLoaded = [&] {
        auto loaded = loadIndex(dir.path());
        return loaded ? loaded.value()->songCount() : 0;
    };
    const auto usersFiles = [&] {
        auto files = allFiles();
        std::erase_if(files, [&](const auto& file) { return !users.contains(file.first); });
        return files;
    };
    EXPECT_EQ(songsLoaded(), 100u);
    writeRun();
    ASSERT_TRUE(replaceIndex(dir.path(), 12, 3));
    writeRun();
    ASSERT_TRUE(appendIndex(dir.path(), tableOf(runSongs), 3));
    EXPECT_EQ(songsLoaded(), 24u);
    EXPECT_EQ(usersFiles(), users);
    EXPECT_EQ(allFiles().size(), users.size() + 6);
}

TEST_F(IndexSaving, AFileByTheRecordsNameThatNoSaveWroteIsLeftAlone) {
    writeOldIndex();
    dir.write("files.dat.liedspur-neu", " 3 \r\n");
    for (const char* record : {"", "index.dat\r\n", "Liedspur: gespeichert\r\nlauf\r\n../x 1 2\r\n",
                               "Liedspur: gespeichert\r\nlauf\r\nfiles.dat 5 1", "<folder>"}) {
        SCOPED_TRACE(record);
        dir.put("liedspur.journal", record);
        const auto before = allFiles();
        auto loaded = loadIndex(dir.path());
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded.value()->songCount(), 100u);
        EXPECT_EQ(allFiles(), before);
    }
}

} // namespace
} // namespace liedspur
