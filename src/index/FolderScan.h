#pragma once

#include "base/Result.h"
#include "index/FolderListing.h"
#include "index/LineWriter.h"
#include "index/ListingReadAhead.h"
#include "index/ScanProgress.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace liedspur {

enum class ScanEnd { Completed, Cancelled };

// Why a run failed, and what it concerns: the start folder, or a temporary list.
struct RunFailure {
    bool startFolder = false;
    Error error;
};

// Walks a folder tree depth first and pre-order (a folder's own files, then its
// subfolders, each in name order), writing every file whose path ends in ".mp3" to the song
// list and each folder holding one to the folder list, just before its first song. Only
// regular files and links to them count as files. Folders that cannot be listed, or that do
// not answer in time, are passed over, and no folder is entered twice. Names holding CR or LF
// cannot stand as one line and are left out. Listings are read ahead on worker threads; everything
// else, and every call of `progress`, happens on the calling thread, in the same order as without
// them.
class FolderScan {
public:
    FolderScan(LineWriter& songs, LineWriter& folders, ScanProgress& progress,
               ListingReadAhead::Limits readAhead = {})
        : m_songs(songs), m_folders(folders), m_progress(progress), m_readAhead(readAhead) {}

    virtual ~FolderScan() = default;

    // Fails when the start folder cannot be opened or a list cannot be written.
    Result<ScanEnd, RunFailure> scan(const std::string& startFolder);

    const ScanCounters& counters() const { return m_counters; }

protected:
    // What reads the run's folders; a test puts in one whose folders do not answer.
    virtual std::shared_ptr<const ListingReader> makeReader(const std::string& startFolder) const;

private:
    enum class Step { Go, Stop };

    Step findfile(const FolderListing& listing, const std::string& folderPath, WalkPlace& place,
                  ListingReadAhead& listings);
    // The listing of the folder at `place`, or none when a cancel came while waiting for it.
    std::optional<FolderListing> listingOf(const WalkPlace& place, const std::string& path,
                                           ListingReadAhead& listings);
    Step stopOnCancel();
    // Writes one line to a list; false, with the error kept, when that fails.
    bool store(LineWriter& list, std::string_view line);

    LineWriter& m_songs;
    LineWriter& m_folders;
    ScanProgress& m_progress;
    const ListingReadAhead::Limits m_readAhead;
    ScanCounters m_counters;
    std::set<FolderId> m_entered;
    std::optional<Error> m_writeError;
    bool m_cancelled = false;
};

// "/a/b" or "/a/b/" as "/a/b/"; the root stays "/".
std::string withTrailingSlash(std::string path);

} // namespace liedspur
