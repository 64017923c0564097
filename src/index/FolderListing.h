#pragma once

#include "base/LineTable.h"

#include <atomic>
#include <compare>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace liedspur {

struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FolderId&) const = default;
};

// One folder as the scan walks it: its files, then the subfolders it may enter, each in
// name order.
struct FolderListing {
    // The system's error number when the folder could not be opened or read, else 0.
    int error = 0;
    FolderId id;
    LineTable files;
    LineTable subfolders;
    // Parallel to `subfolders`: where each one leads, links followed.
    std::vector<FolderId> subfolderIds;
};

// Reads folder listings for one run from `startFolder`. Pseudo file systems (proc, sysfs,
// devtmpfs, …) are never entered, and a link to a folder is followed only when it leads
// out of the start folder and not to one of its ancestors; the real folders are scanned
// under their own paths. Safe to use from several threads at once.
class ListingReader {
public:
    explicit ListingReader(const std::string& startFolder);

    // `folderPath` ends in "/". Regular files and links to them count as files. Stops
    // early, with what it has, once `stop` is set.
    FolderListing read(const std::string& folderPath, const std::atomic<bool>& stop) const;

    // Whether the folder at `path`, on `device`, lies on a pseudo file system.
    bool isPseudoFileSystem(const std::string& path, dev_t device) const;
    // Whether the folder at `path` lies on a network share (or any file system in user
    // space), where each listing waits for answers rather than for the processor.
    bool isNetworkFileSystem(const std::string& path) const;

private:
    bool followsLink(const std::string& linkPath) const;
    // The type of the mounted file system on `device`, as the system's mount table says.
    std::string mountedType(dev_t device) const;

    std::string m_start; // canonical, without trailing "/" except for the root
    mutable std::once_flag m_mountsRead;
    mutable std::map<dev_t, std::string> m_mountTypes;
};

} // namespace liedspur
