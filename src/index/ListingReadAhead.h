#pragma once

#include "index/FolderListing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
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
// it gets is exactly what reading the folder at that moment would give. The workers only
// read the file system.
class ListingReadAhead {
public:
    struct Limits {
        // No worker threads: each listing is read when it is taken.
        int workers = 16;
        // Listings read or being read and not yet taken, besides the one the walk waits for.
        std::size_t listingsAhead = 256;
        // Whether subfolders are read ahead at all.
        bool subfolders = true;
        // Listings read at once on local file systems, where reading takes the processor
        // rather than waiting: more readers than cores only get in each other's way.
        int localWorkers = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
    };

    ListingReadAhead(const ListingReader& reader, Limits limits);
    // Stops the workers and waits for them; a worker inside a listing stops after the
    // entry it is at.
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
    enum class State { Pending, Reading, Ready };
    struct Folder {
        std::string path;
        bool remote = false; // on a network file system
        State state = State::Pending;
        FolderListing listing;
        // The folders from the start down to this one; a subfolder that is one of them
        // leads round in a circle and is not read ahead.
        std::vector<FolderId> lineage;
    };

    void work();
    // The next folder to read, or none; called with the lock held.
    std::optional<WalkPlace> nextToRead() const;
    // Keeps a listing read and makes its subfolders pending; `remote` tells which of them
    // lie on a network file system.
    void store(const WalkPlace& place, FolderListing listing, const std::vector<bool>& remote);
    // Wakes as many waiting workers as there are folders that became readable.
    void wakeWorkers(std::size_t work);
    std::map<WalkPlace, Folder>::iterator erase(std::map<WalkPlace, Folder>::iterator folder);

    const ListingReader& m_reader;
    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_listingReady;
    std::map<WalkPlace, Folder> m_folders;
    std::set<WalkPlace> m_pending;
    std::size_t m_held = 0; // folders being read or ready
    int m_readingLocal = 0;
    std::optional<WalkPlace> m_wanted;
    std::atomic<bool> m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace liedspur
