#include "IndexSaver.h"

#include "CountLine.h"
#include "FileDescriptor.h"
#include "IndexFiles.h"
#include "IndexLoader.h"
#include "LineReader.h"
#include "LineWriter.h"
#include "SystemError.h"
#include "TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {

namespace {

Status checkRegularFile(const std::string& directory, std::string_view name) {
    struct stat info {};
    if (::stat(indexfiles::path(directory, name).c_str(), &info) != 0)
        return systemError(errno, std::string(name));
    if (!S_ISREG(info.st_mode))
        return systemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, std::string(name));
    return success();
}

Status writeCount(const std::string& directory, std::string_view name, std::uint64_t count) {
    std::string line = formatCountLine(count);
    line += indexfiles::lineEnd;
    return writeFileAtomically(indexfiles::path(directory, name), line);
}

// A list file open for appending behind its first `keep` lines.
struct AppendTarget {
    FileDescriptor fd;
    off_t end = 0;
    // The last counted line has no line end of its own yet.
    bool needsLineEnd = false;
};

// Finds where the first `keep` lines of the list end, read as the loader reads them.
Result<AppendTarget> openAppendTarget(const std::string& directory, std::string_view name,
                                      std::uint64_t keep) {
    const std::string path = indexfiles::path(directory, name);
    AppendTarget target{FileDescriptor(::open(path.c_str(), O_RDWR | O_CLOEXEC))};
    // A list may be missing only while it has nothing to count.
    if (!target.fd.valid() && errno == ENOENT && keep == 0)
        target.fd = FileDescriptor(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!target.fd.valid())
        return systemError(errno, std::string(name));

    std::uint64_t lines = 0;
    off_t offset = 0;
    bool inLine = false;
    bool afterCr = false;
    std::vector<char> chunk(1 << 16);
    while (lines < keep || afterCr) {
        const ssize_t got = ::read(target.fd.get(), chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, std::string(name));
        }
        if (got == 0)
            break;
        for (ssize_t i = 0; i < got && (lines < keep || afterCr); ++i) {
            const char c = chunk[static_cast<std::size_t>(i)];
            if (afterCr) {
                afterCr = false;
                if (c == '\n') {
                    ++offset;
                    continue;
                }
                if (lines == keep)
                    break;
            }
            ++offset;
            if (c == '\r' || c == '\n') {
                ++lines;
                inLine = false;
                afterCr = c == '\r';
            } else {
                inLine = true;
            }
        }
    }
    if (lines < keep && inLine && lines + 1 == keep) {
        target.needsLineEnd = true;
        ++lines;
    }
    if (lines < keep)
        return Error{"Die Datei " + std::string(name) + " hat weniger Zeilen als angegeben"};
    target.end = offset;
    return target;
}

Status appendLines(AppendTarget& target, std::string_view name, const LineTable& lines) {
    if (::ftruncate(target.fd.get(), target.end) != 0 ||
        ::lseek(target.fd.get(), target.end, SEEK_SET) < 0)
        return systemError(errno, std::string(name));
    std::string bytes;
    if (target.needsLineEnd)
        bytes += indexfiles::lineEnd;
    bytes.reserve(lines.bytes().size() + lines.size() * 2 + 2);
    for (std::size_t i = 1; i <= lines.size(); ++i) {
        bytes += lines.line(i);
        bytes += indexfiles::lineEnd;
    }
    if (const int errorNumber = writeAllBytes(target.fd.get(), bytes); errorNumber != 0)
        return systemError(errorNumber, std::string(name));
    if (::fsync(target.fd.get()) != 0 || !target.fd.close())
        return systemError(errno, std::string(name));
    return success();
}

} // namespace

Status replaceIndex(const std::string& directory, std::uint64_t filesFound,
                    std::uint64_t foldersFound) {
    using namespace indexfiles;
    if (Status found = checkRegularFile(directory, runSongList); !found)
        return found;
    if (Status found = checkRegularFile(directory, runFolderList); !found)
        return found;
    // A rename replaces the old list in one step: readers see the old file or the new one.
    if (::rename(path(directory, runSongList).c_str(), path(directory, songList).c_str()) != 0)
        return systemError(errno, std::string(runSongList));
    if (::rename(path(directory, runFolderList).c_str(), path(directory, folderList).c_str()) != 0)
        return systemError(errno, std::string(runFolderList));
    if (Status written = writeCount(directory, songCount, filesFound); !written)
        return written;
    return writeCount(directory, folderCount, foldersFound);
}

Status appendIndex(const std::string& directory, const LineTable& songs,
                   std::uint64_t foldersFound) {
    using namespace indexfiles;
    auto oldSongs = readCountFile(directory, songCount);
    if (!oldSongs)
        return oldSongs.error();
    auto oldFolders = readCountFile(directory, folderCount);
    if (!oldFolders)
        return oldFolders.error();
    auto runFolders = readLines(path(directory, runFolderList), foldersFound);
    if (!runFolders)
        return runFolders.error();
    auto songTarget = openAppendTarget(directory, songList, oldSongs.value().count);
    if (!songTarget)
        return songTarget.error();
    auto folderTarget = openAppendTarget(directory, folderList, oldFolders.value().count);
    if (!folderTarget)
        return folderTarget.error();

    // Lists first, counts last: until the counts are written, the old index still loads.
    if (Status written = appendLines(songTarget.value(), songList, songs); !written)
        return written;
    if (Status written = appendLines(folderTarget.value(), folderList, runFolders.value());
        !written)
        return written;
    if (Status written = writeCount(directory, songCount, oldSongs.value().count + songs.size());
        !written)
        return written;
    return writeCount(directory, folderCount, oldFolders.value().count + foldersFound);
}

} // namespace liedspur
