#include "index/IndexLoader.h"

#include "base/SystemError.h"
#include "base/TextFile.h"
#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "index/SaveCommit.h"

#include <algorithm>
#include <cerrno>
#include <limits>
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
        return shortListError(fileNameOf(listPath));
    return success();
}

// A file written this shortly before it is looked at can be written again without its
// times changing, as file times advance in ticks (up to seconds on some file systems).
constexpr std::int64_t settleNs = 2'000'000'000;

template <typename Table> struct CountedList {
    std::string countText;
    Table lines;
};

template <typename Table, typename Read>
Result<CountedList<Table>> loadCountedList(const std::string& directory, std::string_view countFile,
                                           std::string_view listFile, Read read) {
    auto count = readCountFile(directory, countFile);
    if (!count)
        return count.error();
    const std::string listPath = indexfiles::path(directory, listFile);
    if (Status fits = checkCountFitsList(listPath, count.value().count); !fits)
        return fits.error();
    // Rows are numbered in 32 bits everywhere after the load.
    if (count.value().count > std::numeric_limits<std::uint32_t>::max())
        return Error{"Die Datei " + std::string(countFile) + " nennt zu viele Zeilen"};
    auto lines = read(listPath, count.value().count);
    if (!lines)
        return lines.error();
    return CountedList<Table>{std::move(count.value().text), std::move(lines.value())};
}

// In the order the load reads them.
std::optional<std::array<FileStamp, 4>> stampIndexFiles(const std::string& directory) {
    std::array<FileStamp, 4> stamps;
    const std::string_view names[] = {indexfiles::songCount, indexfiles::songList,
                                      indexfiles::folderCount, indexfiles::folderList};
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        auto stamp = stampOf(indexfiles::path(directory, names[i]));
        if (!stamp)
            return std::nullopt;
        stamps[i] = *stamp;
    }
    return stamps;
}

bool settledBefore(const std::array<FileStamp, 4>& stamps, std::int64_t timeNs) {
    return std::all_of(stamps.begin(), stamps.end(), [&](const FileStamp& stamp) {
        return stamp.modifiedNs < timeNs - settleNs;
    });
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
    auto songs = loadCountedList<SongTable>(directory, indexfiles::songCount, indexfiles::songList,
                                            [&](const std::string& path, std::uint64_t count) {
                                                return readSongLines(path, count, yield);
                                            });
    if (!songs)
        return songs.error();
    auto folders =
        loadCountedList<LineTable>(directory, indexfiles::folderCount, indexfiles::folderList,
                                   [&](const std::string& path, std::uint64_t count) {
                                       return readLines(path, count, yield);
                                   });
    if (!folders)
        return folders.error();
    return IndexPtr(std::make_shared<const IndexSnapshot>(
        std::move(songs.value().countText), std::move(songs.value().lines),
        std::move(folders.value().countText), std::move(folders.value().lines)));
}

IndexStore::Outcome IndexStore::reload(const std::string& directory, const Yield& yield,
                                       const std::function<void()>& beforeReading) {
    if (m_loading)
        return Outcome::Busy;
    struct LoadingFlag {
        bool& flag;
        explicit LoadingFlag(bool& f) : flag(f) { flag = true; }
        ~LoadingFlag() { flag = false; }
    } loadingFlag(m_loading);

    // A save left half done changes the files; finished first, it is never taken for the
    // index already in use.
    if (!finishPendingSave(directory)) {
        m_readFrom.reset();
        return Outcome::Failed;
    }
    // Looked at before reading: a change made while the files are read shows next time.
    const std::int64_t lookedAt = fileClockNs();
    const auto stamps = stampIndexFiles(directory);
    if (stamps && m_readFrom && *stamps == *m_readFrom)
        return Outcome::Unchanged;

    if (beforeReading)
        beforeReading();
    auto loaded = loadIndex(directory, yield);
    if (!loaded) {
        m_readFrom.reset();
        return Outcome::Failed;
    }
    m_current = std::move(loaded.value());
    m_readFrom.reset();
    if (stamps && settledBefore(*stamps, lookedAt))
        m_readFrom = stamps;
    return Outcome::Loaded;
}

} // namespace liedspur
