#include "Targets.h"

#include "base/LineTable.h"
#include "base/NameOrder.h"
#include "base/SongName.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur::adapter {

namespace {

Failure notFound(const std::string& path) {
    return {"Nicht gefunden: " + path,
            "Verschoben, gelöscht oder auf einem Laufwerk, das nicht verbunden ist."};
}

Failure unreadable(const std::string& path, int error) {
    return {"Nicht lesbar: " + path, std::strerror(error)};
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

// Whether the entry is a file or a link to one, as the scan counts files.
bool isFile(int folder, const dirent& entry) {
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    return ::fstatat(folder, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

Result<std::vector<std::string>, Failure> folderSongs(const std::string& path) {
    const std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(path.c_str()));
    if (!directory)
        return errno == ENOENT || errno == ENOTDIR ? notFound(path) : unreadable(path, errno);
    LineTable names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        if (isSongName(entry->d_name) && isFile(::dirfd(directory.get()), *entry))
            names.append(entry->d_name);
        errno = 0;
    }
    if (errno != 0)
        return unreadable(path, errno);
    if (names.empty())
        return Failure{"Keine Songs im Ordner: " + path,
                       "Er enthält selbst keine MP3-Dateien; Unterordner zählen nicht."};
    const std::string prefix = path.ends_with('/') ? path : path + '/';
    std::vector<std::string> songs;
    songs.reserve(names.size());
    for (const std::size_t line : nameOrder(names))
        songs.push_back(prefix + std::string(names.line(line)));
    return songs;
}

} // namespace

Result<std::vector<std::string>, Failure> songsOf(const std::string& absolutePath) {
    struct stat info {};
    if (::stat(absolutePath.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? notFound(absolutePath)
                                                   : unreadable(absolutePath, errno);
    if (S_ISDIR(info.st_mode))
        return folderSongs(absolutePath);
    if (!S_ISREG(info.st_mode))
        return notFound(absolutePath);
    if (::access(absolutePath.c_str(), R_OK) != 0)
        return unreadable(absolutePath, errno);
    return std::vector<std::string>{absolutePath};
}

} // namespace liedspur::adapter
