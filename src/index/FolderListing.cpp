#include "index/FolderListing.h"

#include "base/NameOrder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace liedspur {

namespace {

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

struct DirCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

// The file systems that show the system's own state rather than stored files; their
// folders change with every process and some never end.
bool isPseudoType(long type) {
    switch (static_cast<unsigned long>(type)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x1cd1:     // devpts
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0xcafe4a11: // bpf
    case 0x6165676c: // pstore
    case 0x62656570: // configfs
    case 0x19800202: // mqueue
    case 0x65735543: // fusectl
        return true;
    default:
        return false;
    }
}

// devtmpfs reports the type of tmpfs or ramfs; only the mount table tells them apart.
bool mayBeDeviceFileSystem(long type) {
    return static_cast<unsigned long>(type) == 0x01021994     // tmpfs
           || static_cast<unsigned long>(type) == 0x858458f6; // ramfs
}

bool isNetworkType(long type) {
    switch (static_cast<unsigned long>(type)) {
    case 0x6969:     // nfs
    case 0x517b:     // smb
    case 0xff534d42: // cifs
    case 0xfe534d42: // smb2
    case 0x65735546: // fuse: sshfs, rclone, gvfs, …
    case 0x01021997: // 9p
    case 0x00c36400: // ceph
    case 0x5346414f: // afs
    case 0x73757245: // coda
        return true;
    default:
        return false;
    }
}

std::string canonical(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

} // namespace

ListingReader::ListingReader(const std::string& startFolder) : m_start(canonical(startFolder)) {}

bool ListingReader::followsLink(const std::string& linkPath) const {
    const std::string target = canonical(linkPath);
    if (target.empty() || m_start.empty())
        return false;
    const auto within = [](const std::string& inner, const std::string& outer) {
        if (outer == "/")
            return true;
        return inner.size() >= outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
               (inner.size() == outer.size() || inner[outer.size()] == '/');
    };
    return !within(target, m_start) && !within(m_start, target);
}

std::string ListingReader::mountedType(dev_t device) const {
    std::call_once(m_mountsRead, [this] {
        // Each line: id, parent id, major:minor, root, mount point, options, optional
        // fields, "-", type, source, super options.
        std::ifstream table("/proc/self/mountinfo");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string id, parent, numbers, field;
            fields >> id >> parent >> numbers;
            while (fields >> field && field != "-") {
            }
            std::string type;
            fields >> type;
            unsigned major = 0, minor = 0;
            if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) == 2 && !type.empty())
                m_mountTypes.emplace(makedev(major, minor), type);
        }
    });
    const auto found = m_mountTypes.find(device);
    return found == m_mountTypes.end() ? std::string() : found->second;
}

bool ListingReader::isPseudoFileSystem(const std::string& path, dev_t device) const {
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return false;
    if (isPseudoType(info.f_type))
        return true;
    return mayBeDeviceFileSystem(info.f_type) && mountedType(device) == "devtmpfs";
}

bool ListingReader::isNetworkFileSystem(const std::string& path) const {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && isNetworkType(info.f_type);
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

    LineTable files;
    LineTable subfolders;
    std::vector<FolderId> subfolderIds;
    std::string path;
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
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        bool isLink = entry->d_type == DT_LNK;
        struct stat info {};
        if (entry->d_type == DT_UNKNOWN) {
            if (::fstatat(directoryFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            isLink = S_ISLNK(info.st_mode);
        }
        // A folder's own device and inode are needed too, to keep from entering it twice.
        if ((entry->d_type != DT_UNKNOWN || isLink) &&
            ::fstatat(directoryFd, entry->d_name, &info, 0) != 0)
            continue; // a dangling link or an entry gone meanwhile
        if (S_ISREG(info.st_mode)) {
            files.append(entry->d_name);
            continue;
        }
        if (!S_ISDIR(info.st_mode))
            continue;
        path.assign(folderPath).append(entry->d_name);
        if (isLink && !followsLink(path))
            continue;
        if (info.st_dev != own.st_dev && isPseudoFileSystem(path, info.st_dev))
            continue;
        subfolders.append(entry->d_name);
        subfolderIds.push_back({info.st_dev, info.st_ino});
    }

    for (const std::size_t line : nameOrder(files))
        listing.files.append(files.line(line));
    for (const std::size_t line : nameOrder(subfolders)) {
        listing.subfolders.append(subfolders.line(line));
        listing.subfolderIds.push_back(subfolderIds[line - 1]);
    }
    return listing;
}

} // namespace liedspur
