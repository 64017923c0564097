#include "platform/linux/LinuxSystem.h"

#include "platform/linux/ProgramFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QStorageInfo>

#include <cstdio>
#include <cstdlib>
#include <ifaddrs.h>
#include <net/if.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

namespace {

const std::set<QByteArray> pseudoFileSystems = {"autofs",     "binfmt_misc",
                                                "bpf",        "cgroup",
                                                "cgroup2",    "configfs",
                                                "debugfs",    "devpts",
                                                "devtmpfs",   "efivarfs",
                                                "fusectl",    "hugetlbfs",
                                                "mqueue",     "nsfs",
                                                "overlay",    "proc",
                                                "pstore",     "securityfs",
                                                "squashfs",   "sysfs",
                                                "tracefs",    "tmpfs",
                                                "ramfs",      "rpc_pipefs",
                                                "selinuxfs",  "fuse.gvfsd-fuse",
                                                "fuse.portal"};

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string executableDirectory() {
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

} // namespace

std::string linuxNetworkFolder() {
    const std::string gvfs = "/run/user/" + std::to_string(::getuid()) + "/gvfs/";
    return isDirectory(gvfs) ? gvfs : "/mnt/";
}

std::string LinuxSystem::applicationDirectory() {
    return applicationDirectoryFor(executableDirectory(), UserFolders::fromEnvironment());
}

std::string LinuxSystem::shippedPlayer() {
    return shippedPlayerFor(executableDirectory());
}

bool LinuxSystem::isNetworkPresent() {
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0)
        return false;
    bool present = false;
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if ((entry->ifa_flags & IFF_UP) && !(entry->ifa_flags & IFF_LOOPBACK)) {
            present = true;
            break;
        }
    }
    ::freeifaddrs(interfaces);
    return present;
}

std::vector<Drive> LinuxSystem::drives() {
    std::vector<Drive> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || pseudoFileSystems.count(volume.fileSystemType()))
            continue;
        std::string root = QFile::encodeName(volume.rootPath()).toStdString();
        if (root.empty() || root.back() != '/')
            root += '/';
        drives.push_back({std::move(root), volume.name()});
    }
    if (drives.empty() || drives.front().rootPath != "/") {
        // The root always counts as the first drive, as "C:\" did.
        std::erase_if(drives, [](const Drive& drive) { return drive.rootPath == "/"; });
        drives.insert(drives.begin(), Drive{"/", {}});
    }
    return drives;
}

std::string LinuxSystem::networkFolder() {
    return linuxNetworkFolder();
}

void LinuxSystem::endProgram() {
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace liedspur
