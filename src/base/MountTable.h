#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace liedspur {

// One line of the system's mount table.
struct Mount {
    int id = 0;
    int parentId = 0;
    dev_t device = 0;
    std::string point; // as the system names it, without a trailing "/" except for the root
    std::string type;  // "ext4", "fuse.sshfs", …
    std::string source;
};

// The file systems that show the system's own state rather than stored files: their folders
// change with every process, some never end, and entering an automount point mounts it.
bool isNeverEntered(std::string_view type);
// Network shares and file systems in user space: each call may wait for an answer, for ever
// when the server has gone.
bool isRemote(std::string_view type);

// What is mounted where, read from the table without touching any mount.
class MountTable {
public:
    MountTable() = default;
    // The table in the format of /proc/self/mountinfo.
    static MountTable parse(std::string_view text);
    // This process's table; empty when it cannot be read.
    static MountTable current();

    const std::vector<Mount>& mounts() const { return m_mounts; }
    // The mount that `realPath` (without links) lies on, or none.
    const Mount* holding(std::string_view realPath) const;
    // The mount mounted last at `point`: the one that is seen there, or none.
    const Mount* at(std::string_view point) const;
    const Mount* byId(int id) const;
    // The mount seen last of those with the system's device number `device`, or none.
    const Mount* byDevice(dev_t device) const;
    // Whether some mount lies on a folder of a file system with this device number: only
    // in such folders can a mount point be.
    bool hostsMountPoints(dev_t device) const;
    // Whether some mount point has the last part `name`.
    bool namesMountPoint(std::string_view name) const;

private:
    std::vector<Mount> m_mounts;
    std::vector<dev_t> m_hosts;
    std::vector<std::string> m_lastParts; // sorted
};

} // namespace liedspur
