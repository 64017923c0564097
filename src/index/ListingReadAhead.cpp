#include "index/ListingReadAhead.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <system_error>

namespace liedspur {

namespace {

using Clock = std::chrono::steady_clock;

bool isWithin(const WalkPlace& place, const WalkPlace& top) {
    return place.size() >= top.size() && std::equal(top.begin(), top.end(), place.begin());
}

} // namespace

// Everything the workers touch: it lives as long as the last of them, which may be one that
// a share keeps waiting long after the walk is over.
struct ListingReadAhead::Shared {
    enum class State { Pending, Reading, Ready };
    struct Folder {
        std::string path;
        int mount = 0;
        bool remote = false;
        State state = State::Pending;
        // Which read brings its listing, and when that read began.
        std::uint64_t read = 0;
        Clock::time_point readSince;
        FolderListing listing;
        // The folders from the start down to its parent: a folder that is one of them leads
        // round in a circle, and what lies in it is not read ahead.
        std::vector<FolderId> lineage;
    };
    using Folders = std::map<WalkPlace, Folder>;

    Shared(std::shared_ptr<const ListingReader> listingReader, Limits readLimits)
        : reader(std::move(listingReader)), limits(readLimits) {}

    Folder folderAt(std::string path, int mount) const {
        Folder folder;
        folder.path = std::move(path);
        folder.mount = mount;
        folder.remote = reader->isRemote(mount);
        return folder;
    }
    std::optional<WalkPlace> nextToRead() const;
    // Wakes as many waiting workers as there are folders that became readable.
    void wakeWorkers(std::size_t work);
    // Keeps a listing read and makes its subfolders pending.
    void store(const WalkPlace& place, std::uint64_t read, FolderListing listing);
    // Forgets a folder; a worker still reading it is left to itself and replaced.
    Folders::iterator erase(Folders::iterator folder, const std::shared_ptr<Shared>& self);

    const std::shared_ptr<const ListingReader> reader;
    const Limits limits;
    std::mutex mutex;
    std::condition_variable workAvailable;
    std::condition_variable listingReady;
    Folders folders;
    std::set<WalkPlace> pending;
    std::size_t held = 0; // folders being read or ready
    int readingLocal = 0;
    int workers = 0; // those that take new folders
    std::uint64_t reads = 0;
    // Reads that nobody waits for any more: their workers end when they come back.
    std::set<std::uint64_t> abandoned;
    // Mounts where a folder did not answer, until one of theirs does.
    std::set<int> silentMounts;
    std::optional<WalkPlace> wanted;
    std::atomic<bool> stop = false;
};

ListingReadAhead::ListingReadAhead(std::shared_ptr<const ListingReader> reader, Limits limits)
    : m_shared(std::make_shared<Shared>(std::move(reader), limits)) {
    const std::lock_guard lock(m_shared->mutex);
    for (int i = 0; i < limits.workers; ++i)
        addWorker(m_shared);
}

ListingReadAhead::~ListingReadAhead() {
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->workAvailable.notify_all();
}

void ListingReadAhead::addWorker(const std::shared_ptr<Shared>& shared) {
    try {
        std::thread([shared] { work(shared); }).detach();
        ++shared->workers;
    } catch (const std::system_error&) {
        // Fewer workers: the walk waits longer, or passes over what none of them reads.
    }
}

void ListingReadAhead::Shared::wakeWorkers(std::size_t work) {
    // A worker woken for nothing costs more than reading a folder on a fast disk: wake
    // only as many as can start reading now.
    const std::optional<WalkPlace> next = nextToRead();
    if (!next)
        return;
    if (!folders.at(*next).remote && *next != wanted)
        work = std::min(work,
                        static_cast<std::size_t>(std::max(0, limits.localWorkers - readingLocal)));
    if (work >= static_cast<std::size_t>(workers))
        workAvailable.notify_all();
    else
        for (; work > 0; --work)
            workAvailable.notify_one();
}

std::optional<WalkPlace> ListingReadAhead::Shared::nextToRead() const {
    // The folder the walk waits for goes first, whatever is held already: otherwise
    // listings read for later could hold up the walk for good.
    if (wanted && pending.count(*wanted))
        return wanted;
    if (pending.empty() || held >= limits.listingsAhead)
        return std::nullopt;
    const WalkPlace& next = *pending.begin();
    if (!folders.at(next).remote && readingLocal >= limits.localWorkers)
        return std::nullopt;
    return next;
}

void ListingReadAhead::work(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    std::unique_lock lock(s.mutex);
    while (true) {
        std::optional<WalkPlace> place;
        s.workAvailable.wait(lock, [&] { return s.stop || (place = s.nextToRead()); });
        if (s.stop)
            return;
        s.pending.erase(*place);
        Shared::Folder& folder = s.folders.at(*place);
        folder.state = Shared::State::Reading;
        folder.read = ++s.reads;
        folder.readSince = Clock::now();
        ++s.held;
        const std::uint64_t read = folder.read;
        const bool local = !folder.remote;
        const int mount = folder.mount;
        s.readingLocal += local;
        const std::string path = folder.path;
        lock.unlock();
        FolderListing listing = s.reader->read(path, s.stop);
        lock.lock();
        s.readingLocal -= local;
        s.silentMounts.erase(mount);
        if (s.abandoned.erase(read) || s.stop)
            return;
        s.store(*place, read, std::move(listing));
    }
}

void ListingReadAhead::Shared::store(const WalkPlace& place, std::uint64_t read,
                                     FolderListing listing) {
    const auto found = folders.find(place);
    if (found == folders.end() || found->second.read != read)
        return; // the walk left it while it was read
    Folder& folder = found->second;
    const std::vector<FolderId>& lineage = folder.lineage;
    if (limits.subfolders && listing.error == 0 &&
        std::find(lineage.begin(), lineage.end(), listing.id) == lineage.end()) {
        std::vector<FolderId> below = lineage;
        below.push_back(listing.id);
        WalkPlace child = place;
        child.push_back(0);
        for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
            child.back() = static_cast<std::uint32_t>(i);
            std::string path = folder.path;
            path.append(listing.subfolders.line(i + 1)).push_back('/');
            Folder next = folderAt(std::move(path), listing.subfolderMounts[i]);
            next.lineage = below;
            folders.emplace(child, std::move(next));
            pending.insert(child);
        }
        wakeWorkers(listing.subfolders.size());
    }
    folder.listing = std::move(listing);
    folder.state = State::Ready;
    listingReady.notify_one();
}

ListingReadAhead::Shared::Folders::iterator
ListingReadAhead::Shared::erase(Folders::iterator folder, const std::shared_ptr<Shared>& self) {
    if (folder->second.state == State::Pending) {
        pending.erase(folder->first);
    } else {
        --held;
        if (folder->second.state == State::Reading) {
            abandoned.insert(folder->second.read);
            --workers;
            addWorker(self);
        }
    }
    return folders.erase(folder);
}

std::optional<FolderListing> ListingReadAhead::take(const WalkPlace& place, const std::string& path,
                                                    const std::function<bool()>& waiting,
                                                    std::chrono::milliseconds slice) {
    Shared& s = *m_shared;
    if (s.limits.workers == 0)
        return s.reader->read(path, s.stop);

    std::unique_lock lock(s.mutex);
    auto folder = s.folders.find(place);
    if (folder == s.folders.end()) {
        // Not read ahead: the start folder, or one inside a circle.
        folder = s.folders.emplace(place, s.folderAt(path, s.reader->mountOf(path))).first;
        s.pending.insert(place);
    }
    s.wanted = place;
    // Any worker will do: each takes the wanted folder first.
    s.wakeWorkers(1);
    const auto limit =
        s.silentMounts.count(folder->second.mount) ? s.limits.answerOnSilentMount : s.limits.answer;
    const auto waitSince = Clock::now();
    bool helped = false;
    const auto ready = [&] { return folder->second.state == Shared::State::Ready; };
    while (!ready()) {
        const auto now = Clock::now();
        const Shared::Folder& wantedFolder = folder->second;
        if (wantedFolder.state == Shared::State::Pending && !helped &&
            now - waitSince >= s.limits.answerOnSilentMount) {
            // Every worker is held up elsewhere, maybe for good.
            helped = true;
            addWorker(m_shared);
            s.workAvailable.notify_all();
        }
        // The walk gives a folder its full time from when its reading began, or from when
        // the walk came to it, whichever is later.
        const auto deadline = (wantedFolder.state == Shared::State::Reading
                                   ? std::max(wantedFolder.readSince, waitSince)
                                   : now) +
                              limit;
        if (wantedFolder.state == Shared::State::Reading && now >= deadline) {
            s.wanted.reset();
            s.silentMounts.insert(wantedFolder.mount);
            s.erase(folder, m_shared);
            s.wakeWorkers(1);
            FolderListing silent;
            silent.error = ETIMEDOUT;
            return silent;
        }
        if (s.listingReady.wait_for(lock, std::min<Clock::duration>(slice, deadline - now), ready))
            break;
        lock.unlock();
        const bool goOn = waiting();
        lock.lock();
        if (!goOn) {
            s.wanted.reset();
            return std::nullopt;
        }
    }
    s.wanted.reset();
    FolderListing listing = std::move(folder->second.listing);
    s.erase(folder, m_shared);
    s.wakeWorkers(1);
    return listing;
}

void ListingReadAhead::leave(const WalkPlace& place) {
    Shared& s = *m_shared;
    if (s.limits.workers == 0)
        return;
    const std::lock_guard lock(s.mutex);
    const std::size_t heldBefore = s.held;
    auto folder = s.folders.lower_bound(place);
    while (folder != s.folders.end() && isWithin(folder->first, place))
        folder = s.erase(folder, m_shared);
    s.wakeWorkers(heldBefore - s.held);
}

} // namespace liedspur
