#include "index/IndexLoader.h"

#include "base/SystemError.h"
#include "base/TextFile.h"
#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "index/SaveCommit.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

namespace liedspur {

namespace {

// A count line is short; reading no further keeps a huge or endless file from costing more.
constexpr std::size_t countLineLimit = 4096;

// A file written this shortly before it is looked at can be written again without its
// times changing, as file times advance in ticks (up to seconds on some file systems).
constexpr std::int64_t settleNs = 2'000'000'000;

template <typename Table> struct CountedList {
    std::string countText;
    Table lines;
};

Result<CountFile> readCountLine(const std::string& path, std::string_view name) {
    auto line = readShortFirstLine(path, countLineLimit);
    if (!line)
        return line.error();
    const auto count = parseCountLine(line.value());
    if (!count)
        return Error{"Die Datei " + std::string(name) + " enthält keine Anzahl"};
    return CountFile{std::move(line.value()), *count};
}

// The index files in the order the load reads them: each count before its list.
constexpr std::array<std::string_view, 4> loadOrder = {
    indexfiles::songCount, indexfiles::songList, indexfiles::folderCount, indexfiles::folderList};

template <typename Table, typename Read>
Result<CountedList<Table>> loadCountedList(const std::string& directory, const PendingSave& pending,
                                           std::string_view countFile, std::string_view listFile,
                                           Read read) {
    auto count = readCountLine(pending.pathOf(directory, countFile), countFile);
    if (!count)
        return count.error();
    // Rows are numbered in 32 bits everywhere after the load.
    if (count.value().count > std::numeric_limits<std::uint32_t>::max())
        return Error{"Die Datei " + std::string(countFile) + " nennt zu viele Zeilen"};
    auto lines = read(pending.pathOf(directory, listFile), count.value().count);
    if (!lines)
        return lines.error();
    return CountedList<Table>{std::move(count.value().text), std::move(lines.value())};
}

// Reads the index as `pending` left it, which the caller got once for this load.
Result<IndexPtr> readIndex(const std::string& directory, const PendingSave& pending,
                           const Yield& yield) {
    if (!pending.readable())
        return pending.problem;
    auto songs =
        loadCountedList<SongTable>(directory, pending, indexfiles::songCount, indexfiles::songList,
                                   [&](const std::string& path, std::uint64_t count) {
                                       return readSongLines(path, count, yield);
                                   });
    if (!songs)
        return songs.error();
    auto folders = loadCountedList<LineTable>(directory, pending, indexfiles::folderCount,
                                              indexfiles::folderList,
                                              [&](const std::string& path, std::uint64_t count) {
                                                  return readLines(path, count, yield);
                                              });
    if (!folders)
        return folders.error();
    return IndexPtr(std::make_shared<const IndexSnapshot>(
        std::move(songs.value().countText), std::move(songs.value().lines),
        std::move(folders.value().countText), std::move(folders.value().lines)));
}

std::optional<std::array<FileStamp, 4>> stampIndexFiles(const std::string& directory,
                                                        const PendingSave& pending) {
    std::array<FileStamp, 4> stamps;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        auto stamp = stampOf(pending.pathOf(directory, loadOrder[i]));
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
    return readCountLine(indexfiles::path(directory, name), name);
}

Result<IndexPtr> loadIndex(const std::string& directory, const Yield& yield, const FileOps& ops) {
    return readIndex(directory, finishPendingSave(directory, ops), yield);
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
    // index already in use. Once for each reload: the load reads what this one left.
    const PendingSave pending = finishPendingSave(directory);
    if (!pending.readable()) {
        m_readFrom.reset();
        return Outcome::Failed;
    }
    // Looked at before reading: a change made while the files are read shows next time.
    const std::int64_t lookedAt = fileClockNs();
    const auto stamps = stampIndexFiles(directory, pending);
    if (stamps && m_readFrom && *stamps == *m_readFrom)
        return Outcome::Unchanged;

    if (beforeReading)
        beforeReading();
    auto loaded = readIndex(directory, pending, yield);
    if (!loaded) {
        m_readFrom.reset();
        return Outcome::Failed;
    }
    m_current = std::move(loaded.value());
    m_readFrom.reset();
    // Files still waiting beside their names are moved at the next chance, and read anew.
    if (stamps && pending.state != PendingSave::State::Pending && settledBefore(*stamps, lookedAt))
        m_readFrom = stamps;
    return Outcome::Loaded;
}

} // namespace liedspur
