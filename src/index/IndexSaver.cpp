// Saving changes the four index files together or not at all, as a database commits. Its
// own files beside them are the commit record, liedspur.journal, and each staged file, the
// final name followed by ".liedspur-neu"; it creates, renames and deletes no other name, but
// for the run's lists that a replace deletes once done.
//  1. Finish a save that was committed but not completed (finishPendingSave); nothing else
//     may touch the index files while one is pending. One of this very run is not made
//     again: its outcome is this save's, so that a retry never adds a run twice.
//  2. Stage: write each new file completely beside its final name and fsync it. A replace
//     copies the run's lists; an append adds its lines to the lists in place behind the
//     counted lines, where no load reads while the old counts stand, and stages the counts.
//  3. Commit: write the record naming the run and each staged file with its size and
//     checksum, and fsync it; fsync the folder, so that the staged names are on disk before
//     a record that names them; rename the record into place. Up to here the old index is
//     whole, and a failure deletes the staged files and fails the save. From the rename on
//     the save has happened and is never reported failed.
//  4. Roll forward: fsync the folder (the record on disk before any file moves), rename each
//     staged file over its final name, fsync the folder so that the renames outlast the
//     record, delete the record, fsync the folder. A failed call is made again a few times;
//     what still fails is left to the next load, which meanwhile reads the new files where
//     they wait. A staged file neither beside its final name nor in its place (its bytes
//     tell) stops the roll forward before any rename: the old files stay whole, and loads
//     fail until a replace saves anew.
//  5. A replace deletes the run's lists last, once finished: up to here they are what a retry
//     needs.
#include "index/IndexSaver.h"

#include "base/LineSplitter.h"
#include "base/SystemError.h"
#include "index/CountLine.h"
#include "index/FileStamp.h"
#include "index/IndexFiles.h"
#include "index/IndexLoader.h"
#include "index/LineReader.h"
#include "index/SaveCommit.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <vector>

namespace liedspur {

namespace {

using namespace indexfiles;

constexpr std::size_t chunkSize = 1 << 20;

// What tells one run's save from another's: what it does, its counts, and which run lists
// it comes from, as the run wrote them.
std::string runName(const std::string& directory, std::string_view what, std::uint64_t files,
                    std::uint64_t folders) {
    std::string name(what);
    name += ' ' + std::to_string(files) + ' ' + std::to_string(folders);
    for (const std::string_view list : {runSongList, runFolderList}) {
        const auto stamp = stampOf(path(directory, list));
        name += ' ';
        name += stamp ? std::to_string(stamp->device) + ':' + std::to_string(stamp->inode) + ':' +
                            std::to_string(stamp->size) + ':' + std::to_string(stamp->modifiedNs)
                      : "-";
    }
    return name;
}

// Finishes a pending save first. A value when this very save was committed before: its
// outcome, so that it is not made twice. A replace may go on over a save that can never be
// finished, as it needs nothing of the index it replaces.
Result<std::optional<SaveOutcome>> prepareSave(const std::string& directory, std::string_view run,
                                               bool replacing, const FileOps& ops) {
    using State = PendingSave::State;
    const PendingSave pending = finishPendingSave(directory, ops);
    // A file by the record's name that is not ours must not be replaced by our record.
    if (pending.foreignRecord)
        return systemError(EEXIST, std::string(savecommit::recordName));
    const bool committed = pending.state == State::Finished || pending.state == State::Pending;
    if (committed && pending.run == run)
        return std::optional<SaveOutcome>(pending.state == State::Finished ? SaveOutcome::Finished
                                                                           : SaveOutcome::Pending);
    if (pending.state == State::None || pending.state == State::Finished ||
        (pending.state == State::Broken && replacing))
        return std::optional<SaveOutcome>();
    return pending.problem;
}

void removeRunLists(const std::string& directory, const FileOps& ops) {
    // A list that stays behind does no harm: the next run empties it.
    ops.remove(path(directory, runSongList)).ignoreError();
    ops.remove(path(directory, runFolderList)).ignoreError();
}

Status syncAndClose(FileDescriptor& fd, const FileOps& ops) {
    if (Status synced = ops.sync(fd); !synced)
        return synced;
    return ops.close(fd);
}

// The staged file that becomes `name`; its errors name `name`, the file the user knows.
Result<FileDescriptor> createStaged(const std::string& directory, std::string_view name,
                                    const FileOps& ops) {
    return ops.open(savecommit::stagedPath(directory, name), O_WRONLY | O_CREAT | O_TRUNC,
                    std::string(name));
}

Result<savecommit::FileId> stageCount(const std::string& directory, std::string_view name,
                                      std::uint64_t count, const FileOps& ops) {
    Result<FileDescriptor> fd = createStaged(directory, name, ops);
    if (!fd)
        return fd.error();
    std::string line = formatCountLine(count);
    line += lineEnd;
    if (Status written = ops.writeAllAt(fd.value(), line, 0); !written)
        return written.error();
    if (Status closed = syncAndClose(fd.value(), ops); !closed)
        return closed.error();
    savecommit::Checksum checksum;
    checksum.add(line);
    return checksum.id();
}

// Stages a copy of the run's list `from` as the new `name`.
Result<savecommit::FileId> stageCopy(const std::string& directory, std::string_view from,
                                     std::string_view name, const FileOps& ops) {
    const Result<FileDescriptor> source = ops.open(path(directory, from), O_RDONLY);
    if (!source)
        return source.error();
    Result<FileDescriptor> target = createStaged(directory, name, ops);
    if (!target)
        return target.error();
    savecommit::Checksum checksum;
    std::vector<char> chunk(chunkSize);
    off_t offset = 0;
    for (;;) {
        const Result<std::size_t> got =
            ops.readAt(source.value(), chunk.data(), chunk.size(), offset);
        if (!got)
            return got.error();
        if (got.value() == 0)
            break;
        const std::string_view bytes(chunk.data(), got.value());
        if (Status written = ops.writeAllAt(target.value(), bytes, offset); !written)
            return written.error();
        checksum.add(bytes);
        offset += static_cast<off_t>(got.value());
    }
    if (Status closed = syncAndClose(target.value(), ops); !closed)
        return closed.error();
    return checksum.id();
}

// Stages each file in turn while all before succeeded; a failure gives up the save.
class Staging {
public:
    Staging(const std::string& directory, const FileOps& ops)
        : m_directory(directory), m_ops(ops) {}

    template <typename Stage> void add(std::string_view name, Stage stage) {
        m_names.push_back(name);
        if (m_failure)
            return;
        Result<savecommit::FileId> staged = stage();
        if (!staged)
            m_failure = staged.error();
        else
            m_staged.push_back({name, staged.value()});
    }
    // Commits what was staged, or deletes it after a failure.
    Result<SaveOutcome> commit(std::string_view run) {
        if (m_failure) {
            savecommit::abandon(m_directory, m_names, m_ops);
            return *m_failure;
        }
        return savecommit::commit(m_directory, m_staged, run, m_ops);
    }

private:
    const std::string& m_directory;
    const FileOps& m_ops;
    std::vector<std::string_view> m_names;
    std::vector<savecommit::Staged> m_staged;
    std::optional<Error> m_failure;
};

// A list file open for appending behind its first `keep` lines.
struct AppendTarget {
    FileDescriptor fd;
    off_t end = 0;
    // The last counted line has no line end of its own yet.
    bool needsLineEnd = false;
};

// Counts lines, keeping nothing of them.
struct CountedLines {
    const char* findLineEnd(const char* from, const char* end, bool) {
        return firstLineEnd(from, end);
    }
    void addLine(std::string_view) {}
    void addCarriedLine(std::string_view) {}
};

// Finds where the first `keep` lines of the list end, read as the loader reads them.
Result<AppendTarget> openAppendTarget(const std::string& directory, std::string_view name,
                                      std::uint64_t keep, const FileOps& ops) {
    const std::string file = path(directory, name);
    Result<FileDescriptor> fd = ops.open(file, O_RDWR);
    // A list may be missing only while it has nothing to count.
    if (fd.failedWith(ENOENT) && keep == 0)
        fd = ops.open(file, O_RDWR | O_CREAT);
    if (!fd)
        return fd.error();
    AppendTarget target{std::move(fd).value()};

    CountedLines counted;
    LineSplitter splitter(counted, keep, maxListLineBytes);
    std::vector<char> chunk(chunkSize);
    off_t offset = 0;
    while (!splitter.done()) {
        const Result<std::size_t> got = ops.readAt(target.fd, chunk.data(), chunk.size(), offset);
        if (!got)
            return got.error();
        if (got.value() == 0) {
            splitter.finish();
            break;
        }
        splitter.feed(chunk.data(), got.value());
        offset += static_cast<off_t>(got.value());
    }
    if (splitter.tooLong())
        return lineTooLongError(name);
    if (splitter.lines() < keep)
        return shortListError(name);
    target.end = static_cast<off_t>(splitter.bytesUsed());
    target.needsLineEnd = splitter.lastLineUnended();
    return target;
}

Status appendLines(AppendTarget& target, const LineTable& lines, const FileOps& ops) {
    std::string bytes;
    bytes.reserve(lines.bytes().size() + lines.size() * 2 + 2);
    if (target.needsLineEnd)
        bytes += lineEnd;
    for (std::size_t i = 1; i <= lines.size(); ++i) {
        bytes += lines.line(i);
        bytes += lineEnd;
    }
    if (Status cut = ops.truncate(target.fd, target.end); !cut)
        return cut;
    if (Status written = ops.writeAllAt(target.fd, bytes, target.end); !written)
        return written;
    return syncAndClose(target.fd, ops);
}

} // namespace

Result<SaveOutcome> replaceIndex(const std::string& directory, std::uint64_t filesFound,
                                 std::uint64_t foldersFound, const FileOps& ops) {
    const std::string run = runName(directory, "ersetzen", filesFound, foldersFound);
    auto ready = prepareSave(directory, run, true, ops);
    if (!ready)
        return ready.error();
    Result<SaveOutcome> saved = SaveOutcome::Finished;
    if (ready.value()) {
        saved = *ready.value();
    } else {
        Staging staging(directory, ops);
        staging.add(songList, [&] { return stageCopy(directory, runSongList, songList, ops); });
        staging.add(folderList,
                    [&] { return stageCopy(directory, runFolderList, folderList, ops); });
        staging.add(songCount, [&] { return stageCount(directory, songCount, filesFound, ops); });
        staging.add(folderCount,
                    [&] { return stageCount(directory, folderCount, foldersFound, ops); });
        saved = staging.commit(run);
    }
    if (saved && saved.value() == SaveOutcome::Finished)
        removeRunLists(directory, ops);
    return saved;
}

Result<SaveOutcome> appendIndex(const std::string& directory, const LineTable& songs,
                                std::uint64_t foldersFound, const FileOps& ops) {
    const std::string run = runName(directory, "anhängen", songs.size(), foldersFound);
    auto ready = prepareSave(directory, run, false, ops);
    if (!ready)
        return ready.error();
    if (ready.value())
        return *ready.value();
    auto oldSongs = readCountFile(directory, songCount);
    if (!oldSongs)
        return oldSongs.error();
    auto oldFolders = readCountFile(directory, folderCount);
    if (!oldFolders)
        return oldFolders.error();
    auto runFolders = readLines(path(directory, runFolderList), foldersFound);
    if (!runFolders)
        return runFolders.error();
    // Each counted line takes a byte of its file, so the sums below cannot overflow.
    auto songTarget = openAppendTarget(directory, songList, oldSongs.value().count, ops);
    if (!songTarget)
        return songTarget.error();
    auto folderTarget = openAppendTarget(directory, folderList, oldFolders.value().count, ops);
    if (!folderTarget)
        return folderTarget.error();

    Staging staging(directory, ops);
    // The lists change in place; until the commit, their counts say where they end.
    if (Status appended = appendLines(songTarget.value(), songs, ops); !appended)
        return appended.error();
    if (Status appended = appendLines(folderTarget.value(), runFolders.value(), ops); !appended)
        return appended.error();
    const std::uint64_t newSongs = oldSongs.value().count + songs.size();
    const std::uint64_t newFolders = oldFolders.value().count + foldersFound;
    staging.add(songCount, [&] { return stageCount(directory, songCount, newSongs, ops); });
    staging.add(folderCount, [&] { return stageCount(directory, folderCount, newFolders, ops); });
    return staging.commit(run);
}

} // namespace liedspur
