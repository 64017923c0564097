#include "platform/linux/LinuxSystem.h"

#include "platform/linux/ProgramFolders.h"

#include "base/MountTable.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ifaddrs.h>
#include <memory>
#include <net/if.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

namespace {

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

// The name udev gives a disk's label under /dev/disk/by-label, "\x20" for a blank and so
// on, as the label itself.
QString decodedLabel(const std::string& name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned code = 0;
        if (name.compare(i, 2, "\\x") == 0 && i + 4 <= name.size() &&
            std::sscanf(name.c_str() + i + 2, "%2x", &code) == 1) {
            text += static_cast<char>(code);
            i += 3;
        } else {
            text += name[i];
        }
    }
    return QString::fromUtf8(text);
}

// The labels of the disks, by the device that holds each. Only the device folder is read.
std::vector<std::pair<std::string, QString>> diskLabels() {
    std::vector<std::pair<std::string, QString>> labels;
    const std::string folder = "/dev/disk/by-label/";
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return labels;
    while (const dirent* entry = ::readdir(directory))
        if (entry->d_name[0] != '.')
            labels.emplace_back(resolved(folder + entry->d_name), decodedLabel(entry->d_name));
    ::closedir(directory);
    return labels;
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

std::vector<Drive> drivesOf(const MountTable& table) {
    std::vector<Drive> drives;
    std::set<std::string> seen;
    const auto labels = diskLabels();
    // The mount seen at a point is the last one mounted there.
    // A mount inside one that is never entered, as /dev/shm, cannot be reached either.
    const auto unreachable = [&](const Mount& mount) {
        const std::size_t slash = mount.point.rfind('/');
        const Mount* around = slash == std::string::npos || mount.point == "/"
                                  ? nullptr
                                  : table.holding(slash == 0 ? "/" : mount.point.substr(0, slash));
        return isNeverEntered(mount.type) || (around && isNeverEntered(around->type));
    };
    for (auto mount = table.mounts().rbegin(); mount != table.mounts().rend(); ++mount) {
        if (!seen.insert(mount->point).second || unreachable(*mount))
            continue;
        Drive drive{mount->point == "/" ? "/" : mount->point + "/", {}};
        if (isRemote(mount->type)) {
            drive.label = QFile::decodeName(QByteArray::fromStdString(mount->source));
        } else if (mount->source.starts_with("/dev/")) {
            const std::string device = resolved(mount->source);
            for (const auto& [labelled, label] : labels)
                if (labelled == device)
                    drive.label = label;
        }
        drives.push_back(std::move(drive));
    }
    std::reverse(drives.begin(), drives.end());
    // The root always counts as the first drive, as "C:\" did.
    std::erase_if(drives, [](const Drive& drive) { return drive.rootPath == "/"; });
    drives.insert(drives.begin(), Drive{"/", {}});
    return drives;
}

std::vector<Drive> LinuxSystem::drives() {
    return drivesOf(MountTable::current());
}

std::string LinuxSystem::networkFolder() {
    return linuxNetworkFolder();
}

void LinuxSystem::endProgram() {
    endProcess(0);
}

void endProcess(int code) {
    // A thread held up by a share keeps the process, and with it the display connection,
    // until the share answers: the windows go first, or they would stay on the screen.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->hide();
        QGuiApplication::sync();
    }
    // Not exit(): that would run the destructors of static objects while workers held up by
    // a share may still run, and the kernel ends those threads anyway.
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace liedspur
