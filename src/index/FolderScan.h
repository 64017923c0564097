#pragma once

#include "LineWriter.h"
#include "Result.h"
#include "ScanProgress.h"

#include <dirent.h>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <utility>

namespace liedspur {

enum class ScanEnd { Completed, Cancelled };

struct DirCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// Walks a folder tree depth first and pre-order (a folder's own files in listing order,
// then its subfolders), writing every file whose path ends in ".mp3" to the song list and
// each folder holding one to the folder list, just before its first song. Only regular
// files and links to them count as files. Folders that cannot be listed are passed over;
// links to folders are followed, but no folder is entered twice. Names holding CR or LF
// cannot stand as one line and are left out.
class FolderScan {
public:
    FolderScan(LineWriter& songs, LineWriter& folders, ScanProgress& progress)
        : m_songs(songs), m_folders(folders), m_progress(progress) {}

    // Fails when the start folder cannot be opened or a list cannot be written.
    Result<ScanEnd> scan(const std::string& startFolder);

    const ScanCounters& counters() const { return m_counters; }

private:
    enum class Step { Go, Stop };
    struct FolderId {
        dev_t device;
        ino_t inode;
        auto operator<=>(const FolderId&) const = default;
    };

    Step findfile(DirPtr directory, const std::string& folderPath);
    Step stopOnCancel();
    // Writes one line to a list; false, with the error kept, when that fails.
    bool store(LineWriter& list, std::string_view line);

    LineWriter& m_songs;
    LineWriter& m_folders;
    ScanProgress& m_progress;
    ScanCounters m_counters;
    std::set<FolderId> m_entered;
    std::optional<Error> m_writeError;
    bool m_cancelled = false;
};

// "/a/b" or "/a/b/" as "/a/b/"; the root stays "/".
std::string withTrailingSlash(std::string path);

} // namespace liedspur
