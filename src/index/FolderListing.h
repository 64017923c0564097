#pragma once

#include "base/LineTable.h"
#include "base/MountTable.h"

#include <atomic>
#include <compare>
#include <memory>
#include <mutex>
#include <string>
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
    // The mount the folder lies on (its id in the mount table), 0 when not known.
    int mount = 0;
    LineTable files;
    LineTable subfolders;
    // Parallel to `subfolders`: the mount each one lies on.
    std::vector<int> subfolderMounts;
};

// Reads folder listings for one run from `startFolder`. Folders on the file systems that
// are never entered are left out, and a link to a folder is followed only when it leads out
// of the start folder and not to one of its ancestors. Mount points and their types come
// from the mount table: listing a folder touches none of the mounts in it. Safe to use from
// several threads at once.
class ListingReader {
public:
    ListingReader(std::string startFolder, std::shared_ptr<const MountTable> mounts);
    virtual ~ListingReader() = default;

    // `folderPath` ends in "/". Regular files and links to them count as files. Stops
    // early, with what it has, once `stop` is set. May wait for a share for ever.
    virtual FolderListing read(const std::string& folderPath, const std::atomic<bool>& stop) const;

    // The mount that `path` lies on as far as its text tells, without looking at the disk.
    int mountOf(const std::string& path) const;
    bool isNeverEntered(int mount) const;
    // Whether the mount is a network share (or any file system in user space), where each
    // listing waits for answers rather than for the processor.
    bool isRemote(int mount) const;

private:
    // The link's target without links when the scan follows it, else empty.
    std::string followedTarget(const std::string& linkPath) const;
    const std::string& start() const;

    std::string m_startGiven;
    std::shared_ptr<const MountTable> m_mounts;
    mutable std::once_flag m_startResolved;
    mutable std::string m_start; // canonical, without trailing "/" except for the root
};

} // namespace liedspur
