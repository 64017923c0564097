#include "index/ListingReadAhead.h"

#include <algorithm>

namespace liedspur {

namespace {

bool isWithin(const WalkPlace& place, const WalkPlace& top) {
    return place.size() >= top.size() && std::equal(top.begin(), top.end(), place.begin());
}

} // namespace

ListingReadAhead::ListingReadAhead(const ListingReader& reader, Limits limits)
    : m_reader(reader), m_limits(limits) {
    for (int i = 0; i < m_limits.workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

ListingReadAhead::~ListingReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void ListingReadAhead::wakeWorkers(std::size_t work) {
    // A worker woken for nothing costs more than reading a folder on a fast disk: wake
    // only as many as can start reading now.
    const std::optional<WalkPlace> next = nextToRead();
    if (!next)
        return;
    if (!m_folders.at(*next).remote && *next != m_wanted)
        work = std::min(
            work, static_cast<std::size_t>(std::max(0, m_limits.localWorkers - m_readingLocal)));
    if (work >= m_workers.size())
        m_workAvailable.notify_all();
    else
        for (; work > 0; --work)
            m_workAvailable.notify_one();
}

std::optional<WalkPlace> ListingReadAhead::nextToRead() const {
    // The folder the walk waits for goes first, whatever is held already: otherwise
    // listings read for later could hold up the walk for good.
    if (m_wanted && m_pending.count(*m_wanted))
        return m_wanted;
    if (m_pending.empty() || m_held >= m_limits.listingsAhead)
        return std::nullopt;
    const WalkPlace& next = *m_pending.begin();
    if (!m_folders.at(next).remote && m_readingLocal >= m_limits.localWorkers)
        return std::nullopt;
    return next;
}

void ListingReadAhead::work() {
    std::unique_lock lock(m_mutex);
    while (true) {
        std::optional<WalkPlace> place;
        m_workAvailable.wait(lock, [&] { return m_stop || (place = nextToRead()); });
        if (m_stop)
            return;
        m_pending.erase(*place);
        Folder& folder = m_folders.at(*place);
        folder.state = State::Reading;
        ++m_held;
        const bool local = !folder.remote;
        m_readingLocal += local;
        const std::string path = folder.path;
        lock.unlock();
        FolderListing listing = m_reader.read(path, m_stop);
        // Only a mount point can lie on another file system than its parent; asking
        // one may take a round trip, so it is done before taking the lock again.
        std::vector<bool> remote(listing.subfolders.size(), !local);
        for (std::size_t i = 0; i < remote.size(); ++i)
            if (listing.subfolderIds[i].device != listing.id.device)
                remote[i] = m_reader.isNetworkFileSystem(
                    path + std::string(listing.subfolders.line(i + 1)) + '/');
        lock.lock();
        m_readingLocal -= local;
        if (m_stop)
            return;
        store(*place, std::move(listing), remote);
    }
}

void ListingReadAhead::store(const WalkPlace& place, FolderListing listing,
                             const std::vector<bool>& remote) {
    const auto found = m_folders.find(place);
    if (found == m_folders.end())
        return; // the walk left it while it was read
    Folder& folder = found->second;
    if (m_limits.subfolders && listing.error == 0) {
        std::vector<FolderId> lineage = folder.lineage;
        lineage.push_back(listing.id);
        WalkPlace child = place;
        child.push_back(0);
        std::size_t added = 0;
        for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
            if (std::find(lineage.begin(), lineage.end(), listing.subfolderIds[i]) != lineage.end())
                continue;
            child.back() = static_cast<std::uint32_t>(i);
            std::string path = folder.path;
            path.append(listing.subfolders.line(i + 1)).push_back('/');
            m_folders.emplace(child,
                              Folder{std::move(path), remote[i], State::Pending, {}, lineage});
            m_pending.insert(child);
            ++added;
        }
        wakeWorkers(added);
    }
    folder.listing = std::move(listing);
    folder.state = State::Ready;
    m_listingReady.notify_one();
}

std::map<WalkPlace, ListingReadAhead::Folder>::iterator
ListingReadAhead::erase(std::map<WalkPlace, Folder>::iterator folder) {
    if (folder->second.state == State::Pending)
        m_pending.erase(folder->first);
    else
        --m_held;
    return m_folders.erase(folder);
}

std::optional<FolderListing> ListingReadAhead::take(const WalkPlace& place, const std::string& path,
                                                    const std::function<bool()>& waiting,
                                                    std::chrono::milliseconds slice) {
    if (m_workers.empty())
        return m_reader.read(path, m_stop);

    std::unique_lock lock(m_mutex);
    auto folder = m_folders.find(place);
    if (folder == m_folders.end()) {
        // Not read ahead: the start folder, or one that the workers took for a circle.
        const bool remote = m_reader.isNetworkFileSystem(path);
        folder = m_folders.emplace(place, Folder{path, remote, State::Pending, {}, {}}).first;
        m_pending.insert(place);
    }
    m_wanted = place;
    // Any worker will do: each takes the wanted folder first.
    wakeWorkers(1);
    while (folder->second.state != State::Ready) {
        if (m_listingReady.wait_for(lock, slice,
                                    [&] { return folder->second.state == State::Ready; }))
            break;
        lock.unlock();
        const bool goOn = waiting();
        lock.lock();
        if (!goOn) {
            m_wanted.reset();
            return std::nullopt;
        }
    }
    m_wanted.reset();
    FolderListing listing = std::move(folder->second.listing);
    erase(folder);
    wakeWorkers(1);
    return listing;
}

void ListingReadAhead::leave(const WalkPlace& place) {
    if (m_workers.empty())
        return;
    const std::lock_guard lock(m_mutex);
    const std::size_t heldBefore = m_held;
    auto folder = m_folders.lower_bound(place);
    while (folder != m_folders.end() && isWithin(folder->first, place))
        folder = erase(folder);
    wakeWorkers(heldBefore - m_held);
}

} // namespace liedspur
