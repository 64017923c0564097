#include "IndexLoader.h"

#include "CountLine.h"
#include "IndexFiles.h"
#include "SaveCommit.h"
#include "SystemError.h"
#include "TextFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace liedspur {

namespace {

// A count line is short; reading no further keeps a huge or endless file from costing more.
constexpr std::size_t countLineLimit = 4096;

// Every line takes at least one byte, its line end or a character, so a count above the
// list's size in bytes can never be met; it fails here, before anything is read.
Status checkCountFitsList(const std::string& listPath, std::uint64_t count) {
    struct stat info {};
    if (::stat(listPath.c_str(), &info) != 0)
        return systemError(errno, fileNameOf(listPath));
    if (count > static_cast<std::uint64_t>(info.st_size))
        return Error{"Die Datei " + fileNameOf(listPath) + " hat weniger Zeilen als angegeben"};
    return success();
}

struct CountedList {
    std::string countText;
    LineTable lines;
};

Result<CountedList> loadCountedList(const std::string& directory, std::string_view countFile,
                                    std::string_view listFile, const Yield& yield) {
    auto count = readCountFile(directory, countFile);
    if (!count)
        return count.error();
    const std::string listPath = indexfiles::path(directory, listFile);
    if (Status fits = checkCountFitsList(listPath, count.value().count); !fits)
        return fits.error();
    auto lines = readLines(listPath, count.value().count, yield);
    if (!lines)
        return lines.error();
    return CountedList{std::move(count.value().text), std::move(lines.value())};
}

} // namespace

Result<CountFile> readCountFile(const std::string& directory, std::string_view name) {
    auto line = readShortFirstLine(indexfiles::path(directory, name), countLineLimit);
    if (!line)
        return line.error();
    const auto count = parseCountLine(line.value());
    if (!count)
        return Error{"Die Datei " + std::string(name) + " enthält keine Anzahl"};
    return CountFile{std::move(line.value()), *count};
}

Result<IndexPtr> loadIndex(const std::string& directory, const Yield& yield) {
    if (Status finished = finishPendingSave(directory); !finished)
        return finished.error();
    auto songs = loadCountedList(directory, indexfiles::songCount, indexfiles::songList, yield);
    if (!songs)
        return songs.error();
    auto folders =
        loadCountedList(directory, indexfiles::folderCount, indexfiles::folderList, yield);
    if (!folders)
        return folders.error();
    return IndexPtr(std::make_shared<const IndexSnapshot>(
        std::move(songs.value().countText), std::move(songs.value().lines),
        std::move(folders.value().countText), std::move(folders.value().lines)));
}

IndexStore::Outcome IndexStore::reload(const std::string& directory, const Yield& yield) {
    if (m_loading)
        return Outcome::Busy;
    struct LoadingFlag {
        bool& flag;
        explicit LoadingFlag(bool& f) : flag(f) { flag = true; }
        ~LoadingFlag() { flag = false; }
    } loadingFlag(m_loading);
    auto loaded = loadIndex(directory, yield);
    if (!loaded) {
        m_lastError = loaded.error();
        return Outcome::Failed;
    }
    m_current = std::move(loaded.value());
    return Outcome::Loaded;
}

} // namespace liedspur
