#include "ListingReadAhead.h"

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

std::optional<WalkPlace> ListingReadAhead::nextToRead() const {
    // The folder the walk waits for goes first, whatever is held already: otherwise
    // listings read for later could hold up the walk for good.
    if (m_wanted && m_pending.count(*m_wanted))
        return m_wanted;
    if (!m_pending.empty() && m_held < m_limits.listingsAhead)
        return *m_pending.begin();
    return std::nullopt;
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
        const std::string path = folder.path;
        lock.unlock();
        FolderListing listing = m_reader.read(path, m_stop);
        lock.lock();
        if (m_stop)
            return;
        store(*place, std::move(listing));
    }
}

void ListingReadAhead::store(const WalkPlace& place, FolderListing listing) {
    const auto found = m_folders.find(place);
    if (found == m_folders.end())
        return; // the walk left it while it was read
    Folder& folder = found->second;
    if (m_limits.subfolders && listing.error == 0) {
        std::vector<FolderId> lineage = folder.lineage;
        lineage.push_back(listing.id);
        WalkPlace child = place;
        child.push_back(0);
        for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
            if (std::find(lineage.begin(), lineage.end(), listing.subfolderIds[i]) != lineage.end())
                continue;
            child.back() = static_cast<std::uint32_t>(i);
            std::string path = folder.path;
            path.append(listing.subfolders.line(i + 1)).push_back('/');
            m_folders.emplace(child, Folder{std::move(path), State::Pending, {}, lineage});
            m_pending.insert(child);
        }
        m_workAvailable.notify_all();
    }
    folder.listing = std::move(listing);
    folder.state = State::Ready;
    m_listingReady.notify_all();
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
        folder = m_folders.emplace(place, Folder{path, State::Pending, {}, {}}).first;
        m_pending.insert(place);
    }
    m_wanted = place;
    m_workAvailable.notify_all();
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
    m_workAvailable.notify_all();
    return listing;
}

void ListingReadAhead::leave(const WalkPlace& place) {
    if (m_workers.empty())
        return;
    const std::lock_guard lock(m_mutex);
    auto folder = m_folders.lower_bound(place);
    while (folder != m_folders.end() && isWithin(folder->first, place))
        folder = erase(folder);
    m_workAvailable.notify_all();
}

} // namespace liedspur
