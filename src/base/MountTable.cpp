#include "base/MountTable.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/sysmacros.h>

namespace liedspur {

namespace {

// The table writes a blank, tab, line end or backslash in a name as "\" and three octal
// digits.
std::string unescaped(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t at) {
            return at < field.size() && field[at] >= '0' && field[at] <= '7';
        };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

bool lies(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

} // namespace

bool isNeverEntered(std::string_view type) {
    static constexpr std::string_view types[] = {
        "autofs",  "binfmt_misc", "bpf",      "cgroup",   "cgroup2",    "configfs",   "cpuset",
        "debugfs", "devpts",      "devtmpfs", "efivarfs", "fusectl",    "hugetlbfs",  "mqueue",
        "nfsd",    "nsfs",        "proc",     "pstore",   "rpc_pipefs", "securityfs", "selinuxfs",
        "smackfs", "sysfs",       "tracefs",  "binder"};
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

bool isRemote(std::string_view type) {
    static constexpr std::string_view types[] = {"nfs",    "nfs4", "cifs",  "smb3", "smbfs",
                                                 "ncpfs",  "9p",   "ceph",  "afs",  "glusterfs",
                                                 "lustre", "coda", "davfs", "fuse"};
    if (type.starts_with("fuse.") || type == "fuse")
        return true; // fuseblk is a local disk driven from user space
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

MountTable MountTable::parse(std::string_view text) {
    MountTable table;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string numbers, root, point, field, type, source;
        Mount mount;
        if (!(fields >> mount.id >> mount.parentId >> numbers >> root >> point))
            continue;
        while (fields >> field && field != "-") {
        }
        if (field != "-" || !(fields >> type))
            continue;
        fields >> source;
        unsigned major = 0, minor = 0;
        if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2)
            continue;
        mount.device = makedev(major, minor);
        mount.point = unescaped(point);
        mount.type = std::move(type);
        mount.source = unescaped(source);
        table.m_lastParts.push_back(mount.point.substr(mount.point.rfind('/') + 1));
        table.m_mounts.push_back(std::move(mount));
    }
    for (const Mount& mount : table.m_mounts)
        if (const Mount* parent = table.byId(mount.parentId); parent && parent != &mount)
            table.m_hosts.push_back(parent->device);
    std::sort(table.m_lastParts.begin(), table.m_lastParts.end());
    return table;
}

MountTable MountTable::current() {
    std::ifstream file("/proc/self/mountinfo");
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str());
}

const Mount* MountTable::holding(std::string_view realPath) const {
    const Mount* found = nullptr;
    for (const Mount& mount : m_mounts)
        if (lies(realPath, mount.point) && (!found || mount.point.size() >= found->point.size()))
            found = &mount;
    return found;
}

const Mount* MountTable::at(std::string_view point) const {
    for (auto mount = m_mounts.rbegin(); mount != m_mounts.rend(); ++mount)
        if (mount->point == point)
            return &*mount;
    return nullptr;
}

const Mount* MountTable::byId(int id) const {
    for (const Mount& mount : m_mounts)
        if (mount.id == id)
            return &mount;
    return nullptr;
}

const Mount* MountTable::byDevice(dev_t device) const {
    for (auto mount = m_mounts.rbegin(); mount != m_mounts.rend(); ++mount)
        if (mount->device == device)
            return &*mount;
    return nullptr;
}

bool MountTable::hostsMountPoints(dev_t device) const {
    return std::find(m_hosts.begin(), m_hosts.end(), device) != m_hosts.end();
}

bool MountTable::namesMountPoint(std::string_view name) const {
    return std::binary_search(m_lastParts.begin(), m_lastParts.end(), name,
                              [](std::string_view a, std::string_view b) { return a < b; });
}

} // namespace liedspur
