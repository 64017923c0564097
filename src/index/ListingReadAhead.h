#pragma once

#include "index/FolderListing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace liedspur {

// A folder's place in a depth-first walk: the positions, in their parents' listings, of
// the subfolders that lead to it from the start folder (empty for the start folder).
// Comparing places gives the walk's order.
using WalkPlace = std::vector<std::uint32_t>;

// Reads the listings of a depth-first walk ahead of it on a few worker threads, in the
// order the walk will want them, so that folders on a slow share are read many at once.
// The walk takes each listing on its own thread and decides alone what it enters; what
// it gets is exactly what reading the folder at that moment would give, or, for a folder
// that does not answer in time, the error ETIMEDOUT. The workers only read the file system
// and are never waited for: one stuck on a share that has gone is left behind, owning only
// its own data, and a listing it brings later is dropped.
class ListingReadAhead {
public:
    struct Limits {
        // No worker threads: each listing is read when it is taken, however long it takes.
        int workers = 16;
        // Listings read or being read and not yet taken, besides the one the walk waits for.
        std::size_t listingsAhead = 256;
        // Whether subfolders are read ahead at all.
        bool subfolders = true;
        // Listings read at once on local file systems, where reading takes the processor
        // rather than waiting: more readers than cores only get in each other's way.
        int localWorkers = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
        // How long the walk waits for a folder before it passes over it; and, once a folder
        // of a mount has not answered, for the next ones on that mount until one answers.
        std::chrono::milliseconds answer{15000};
        std::chrono::milliseconds answerOnSilentMount{1000};
    };

    ListingReadAhead(std::shared_ptr<const ListingReader> reader, Limits limits);
    // Tells the workers to stop; waits for none of them.
    ~ListingReadAhead();
    ListingReadAhead(const ListingReadAhead&) = delete;
    ListingReadAhead& operator=(const ListingReadAhead&) = delete;

    // The listing of the folder at `place`, whose path, ending in "/", is `path`. While it
    // waits, calls `waiting` about every `slice`; gives up with none when that says false.
    std::optional<FolderListing> take(const WalkPlace& place, const std::string& path,
                                      const std::function<bool()>& waiting,
                                      std::chrono::milliseconds slice);
    // The walk is done with the folder at `place` and everything below it.
    void leave(const WalkPlace& place);

private:
    struct Shared;
    static void work(const std::shared_ptr<Shared>& shared);
    // Called with the lock held.
    static void addWorker(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> m_shared;
};

} // namespace liedspur
