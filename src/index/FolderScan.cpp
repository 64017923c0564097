#include "index/FolderScan.h"

#include "base/LineSplitter.h"
#include "base/SongName.h"
#include "base/SystemError.h"

#include <chrono>

namespace liedspur {

std::string withTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::shared_ptr<const ListingReader> FolderScan::makeReader(const std::string& startFolder) const {
    return std::make_shared<ListingReader>(startFolder,
                                           std::make_shared<MountTable>(MountTable::current()));
}

Result<ScanEnd, RunFailure> FolderScan::scan(const std::string& startFolder) {
    m_counters = {};
    m_entered.clear();
    m_cancelled = false;
    m_writeError.reset();

    const std::string startPath = withTrailingSlash(startFolder);
    const std::shared_ptr<const ListingReader> reader = makeReader(startFolder);
    ListingReadAhead::Limits limits = m_readAhead;
    limits.subfolders = limits.subfolders && m_progress.includeSubfolders();
    ListingReadAhead listings(reader, limits);
    WalkPlace place;
    std::optional<FolderListing> start = listingOf(place, startPath, listings);
    if (!start)
        return ScanEnd::Cancelled;
    if (start->error != 0)
        return RunFailure{true, systemError(start->error, startFolder)};
    // A start folder on a file system that is never entered holds no songs either.
    if (reader->isNeverEntered(start->mount))
        *start = FolderListing{};
    m_entered.insert(start->id);
    findfile(*start, startPath, place, listings);
    if (m_writeError)
        return RunFailure{false, *m_writeError};
    return m_cancelled ? ScanEnd::Cancelled : ScanEnd::Completed;
}

bool FolderScan::store(LineWriter& list, std::string_view line) {
    Status written = list.writeLine(line);
    if (!written)
        m_writeError = written.error();
    return written.ok();
}

FolderScan::Step FolderScan::stopOnCancel() {
    m_cancelled = true;
    m_progress.stoppedOnCancel();
    return Step::Stop;
}

std::optional<FolderListing> FolderScan::listingOf(const WalkPlace& place, const std::string& path,
                                                   ListingReadAhead& listings) {
    // A slow folder must not freeze the window, nor keep a cancel from being seen.
    std::optional<FolderListing> listing = listings.take(
        place, path,
        [this] {
            m_progress.yield();
            return !m_progress.cancelRequested();
        },
        std::chrono::milliseconds(10));
    if (!listing)
        stopOnCancel();
    return listing;
}

FolderScan::Step FolderScan::findfile(const FolderListing& listing, const std::string& folderPath,
                                      WalkPlace& place, ListingReadAhead& listings) {
    m_progress.yield();

    const bool folderUnstorable = holdsLineEnd(folderPath);
    bool folderListed = false;
    std::string fullPath;
    for (std::size_t i = 1; i <= listing.files.size(); ++i) {
        if (m_progress.cancelRequested())
            return stopOnCancel();
        const std::string_view name = listing.files.line(i);
        fullPath.assign(folderPath).append(name);
        if (isSongName(fullPath) && !folderUnstorable && !holdsLineEnd(name)) {
            if (!folderListed) {
                folderListed = true;
                if (!store(m_folders, folderPath))
                    return Step::Stop;
                ++m_counters.foldersFound;
                m_progress.folderListed(folderPath, m_counters);
            }
            if (!store(m_songs, fullPath))
                return Step::Stop;
            ++m_counters.filesFound;
            m_progress.songFound(fullPath, m_counters);
        }
        m_progress.yield();
    }

    if (!m_progress.includeSubfolders())
        return Step::Go;

    std::string subfolderPath;
    place.push_back(0);
    Step step = Step::Go;
    for (std::size_t i = 1; i <= listing.subfolders.size() && step == Step::Go; ++i) {
        if (m_progress.cancelRequested()) {
            step = stopOnCancel();
            break;
        }
        place.back() = static_cast<std::uint32_t>(i - 1);
        subfolderPath.assign(folderPath).append(listing.subfolders.line(i)).push_back('/');
        const std::optional<FolderListing> subfolder = listingOf(place, subfolderPath, listings);
        // No permission, gone meanwhile, a path too long or no answer: passed over. A link
        // that leads out and back in would otherwise be walked again and again.
        if (!subfolder) {
            step = Step::Stop;
        } else if (subfolder->error == 0 && m_entered.insert(subfolder->id).second) {
            ++m_counters.foldersEntered;
            subfolderPath.pop_back();
            m_progress.folderEntered(subfolderPath, m_counters);
            step = findfile(*subfolder, subfolderPath + '/', place, listings);
        }
        listings.leave(place);
    }
    place.pop_back();
    return step;
}

} // namespace liedspur
