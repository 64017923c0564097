// Saving changes the four index files together or not at all, as a database commits:
//  1. Finish a save that was committed but not completed, then delete what interrupted
//     saves left behind. Nothing else may touch the index files while one is pending.
//  2. Stage: write each new file completely beside its final name ("files.dat.new") and
//     fsync it. A replace copies the run's lists; an append adds its lines to the lists in
//     place behind the counted lines, where no load reads while the old counts stand.
//  3. Commit: write the record naming the staged files, fsync it, rename it into place and
//     fsync the folder. Staging is synced first, so the record never names data that is
//     not on disk. Before the rename the old index is whole; from it on, every load and
//     save finishes this save first (step 4), so the index is the new one.
//  4. Roll forward: rename each staged file over its final name, fsync the folder so that
//     the renames outlast the record, then delete the record.
//  5. A replace deletes the run's lists last: up to here they are what a retry needs.
#include "index/IndexSaver.h"

#include "base/LineSplitter.h"
#include "index/CountLine.h"
#include "index/IndexFiles.h"
#include "index/IndexLoader.h"
#include "index/LineReader.h"
#include "index/SaveCommit.h"

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace liedspur {

namespace {

using namespace indexfiles;

constexpr std::size_t chunkSize = 1 << 20;

Status prepareSave(const std::string& directory, const FileOps& ops) {
    if (Status finished = finishPendingSave(directory, ops); !finished)
        return finished;
    savecommit::removeLeftovers(directory, ops);
    return success();
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

Status stageCount(const std::string& directory, std::string_view name, std::uint64_t count,
                  const FileOps& ops) {
    Result<FileDescriptor> fd = createStaged(directory, name, ops);
    if (!fd)
        return fd.error();
    std::string line = formatCountLine(count);
    line += lineEnd;
    if (Status written = ops.writeAllAt(fd.value(), line, 0); !written)
        return written;
    return syncAndClose(fd.value(), ops);
}

// Stages a copy of the run's list `from` as the new `name`.
Status stageCopy(const std::string& directory, std::string_view from, std::string_view name,
                 const FileOps& ops) {
    const Result<FileDescriptor> source = ops.open(path(directory, from), O_RDONLY);
    if (!source)
        return source.error();
    Result<FileDescriptor> target = createStaged(directory, name, ops);
    if (!target)
        return target.error();
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
            return written;
        offset += static_cast<off_t>(got.value());
    }
    return syncAndClose(target.value(), ops);
}

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
    LineSplitter splitter(counted, keep);
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

Status replaceIndex(const std::string& directory, std::uint64_t filesFound,
                    std::uint64_t foldersFound, const FileOps& ops) {
    if (Status ready = prepareSave(directory, ops); !ready)
        return ready;
    const std::vector<std::string_view> names = {songList, folderList, songCount, folderCount};
    Status staged = stageCopy(directory, runSongList, songList, ops);
    if (staged)
        staged = stageCopy(directory, runFolderList, folderList, ops);
    if (staged)
        staged = stageCount(directory, songCount, filesFound, ops);
    if (staged)
        staged = stageCount(directory, folderCount, foldersFound, ops);
    if (!staged) {
        savecommit::abandon(directory, names, ops);
        return staged;
    }
    if (Status committed = savecommit::commit(directory, names, ops); !committed)
        return committed;
    // Saved. A list that stays behind does no harm: the next run empties it.
    ops.remove(path(directory, runSongList)).ignoreError();
    ops.remove(path(directory, runFolderList)).ignoreError();
    return success();
}

Status appendIndex(const std::string& directory, const LineTable& songs, std::uint64_t foldersFound,
                   const FileOps& ops) {
    if (Status ready = prepareSave(directory, ops); !ready)
        return ready;
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

    const std::vector<std::string_view> names = {songCount, folderCount};
    Status staged = appendLines(songTarget.value(), songs, ops);
    if (staged)
        staged = appendLines(folderTarget.value(), runFolders.value(), ops);
    if (staged)
        staged = stageCount(directory, songCount, oldSongs.value().count + songs.size(), ops);
    if (staged)
        staged = stageCount(directory, folderCount, oldFolders.value().count + foldersFound, ops);
    if (!staged) {
        savecommit::abandon(directory, names, ops);
        return staged;
    }
    return savecommit::commit(directory, names, ops);
}

} // namespace liedspur
