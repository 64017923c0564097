#include "index/FolderListing.h"

#include "base/NameOrder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

namespace {

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

struct DirCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

std::string canonical(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The path of an open folder without links, as the system keeps it for the descriptor:
// asking costs no call to the folder's file system.
std::string realPathOf(int directoryFd, const std::string& folderPath) {
    char target[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(directoryFd);
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/')
        return withoutTrailingSlash(folderPath);
    return std::string(target, static_cast<std::size_t>(length));
}

bool within(const std::string& inner, const std::string& outer) {
    if (outer == "/")
        return true;
    return inner.size() >= outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           (inner.size() == outer.size() || inner[outer.size()] == '/');
}

} // namespace

ListingReader::ListingReader(std::string startFolder, std::shared_ptr<const MountTable> mounts)
    : m_startGiven(std::move(startFolder)), m_mounts(std::move(mounts)) {}

const std::string& ListingReader::start() const {
    // Resolved on the first worker that needs it: the start may lie on a share.
    std::call_once(m_startResolved, [this] { m_start = canonical(m_startGiven); });
    return m_start;
}

std::string ListingReader::followedTarget(const std::string& linkPath) const {
    std::string target = canonical(linkPath);
    if (target.empty() || start().empty() || within(target, start()) || within(start(), target))
        return {};
    return target;
}

int ListingReader::mountOf(const std::string& path) const {
    const Mount* mount = m_mounts->holding(withoutTrailingSlash(path));
    return mount ? mount->id : 0;
}

bool ListingReader::isNeverEntered(int mount) const {
    const Mount* found = m_mounts->byId(mount);
    return found && liedspur::isNeverEntered(found->type);
}

bool ListingReader::isRemote(int mount) const {
    const Mount* found = m_mounts->byId(mount);
    return found && liedspur::isRemote(found->type);
}

FolderListing ListingReader::read(const std::string& folderPath,
                                  const std::atomic<bool>& stop) const {
    FolderListing listing;
    std::unique_ptr<DIR, DirCloser> directory(::opendir(folderPath.c_str()));
    if (!directory) {
        listing.error = errno;
        return listing;
    }
    const int directoryFd = ::dirfd(directory.get());
    struct stat own {};
    if (::fstat(directoryFd, &own) != 0) {
        listing.error = errno;
        return listing;
    }
    listing.id = {own.st_dev, own.st_ino};
    const Mount* ownMount = m_mounts->byDevice(own.st_dev);
    listing.mount = ownMount ? ownMount->id : 0;
    // Only a folder named as a mount point, on a file system that has mounts on it, can be
    // one: for the others the folder's path without links is not needed.
    const bool hostsMountPoints = m_mounts->hostsMountPoints(own.st_dev);
    std::string realPath;

    LineTable files;
    LineTable subfolders;
    std::vector<int> subfolderMounts;
    std::string path;
    // A folder found in the listing: a mount point in it is never asked, only looked up.
    const auto addFolder = [&](const char* name) {
        int mount = listing.mount;
        if (hostsMountPoints && m_mounts->namesMountPoint(name)) {
            if (realPath.empty())
                realPath = realPathOf(directoryFd, folderPath);
            path.assign(realPath == "/" ? "" : realPath).append("/").append(name);
            if (const Mount* mounted = m_mounts->at(path)) {
                if (liedspur::isNeverEntered(mounted->type))
                    return;
                mount = mounted->id;
            }
        }
        subfolders.append(name);
        subfolderMounts.push_back(mount);
    };
    // A read that fails part way keeps what it got, as the listing the system gave.
    while (const dirent* entry = ::readdir(directory.get())) {
        if (stop.load(std::memory_order_relaxed))
            return listing;
        if (isDotOrDotDot(entry->d_name))
            continue;
        if (entry->d_type == DT_REG) {
            files.append(entry->d_name);
            continue;
        }
        if (entry->d_type == DT_DIR) {
            addFolder(entry->d_name);
            continue;
        }
        if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat info {};
        if (entry->d_type == DT_UNKNOWN) {
            if (::fstatat(directoryFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(info.st_mode))
                files.append(entry->d_name);
            else if (S_ISDIR(info.st_mode))
                addFolder(entry->d_name);
            if (!S_ISLNK(info.st_mode))
                continue;
        }
        if (::fstatat(directoryFd, entry->d_name, &info, 0) != 0)
            continue; // a dangling link or an entry gone meanwhile
        if (S_ISREG(info.st_mode)) {
            files.append(entry->d_name);
            continue;
        }
        if (!S_ISDIR(info.st_mode))
            continue;
        const std::string target = followedTarget(path.assign(folderPath).append(entry->d_name));
        if (target.empty())
            continue;
        const Mount* mounted = m_mounts->holding(target);
        if (mounted && liedspur::isNeverEntered(mounted->type))
            continue;
        subfolders.append(entry->d_name);
        subfolderMounts.push_back(mounted ? mounted->id : 0);
    }

    for (const std::size_t line : nameOrder(files))
        listing.files.append(files.line(line));
    for (const std::size_t line : nameOrder(subfolders)) {
        listing.subfolders.append(subfolders.line(line));
        listing.subfolderMounts.push_back(subfolderMounts[line - 1]);
    }
    return listing;
}

} // namespace liedspur
