#include "FolderScan.h"

#include "LineTable.h"
#include "SystemError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace liedspur {

namespace {

bool holdsLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool isSong(std::string_view fullPath) {
    return fullPath.size() >= 4 && fullPath.substr(fullPath.size() - 4) == ".mp3";
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

std::string withTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

Result<ScanEnd> FolderScan::scan(const std::string& startFolder) {
    m_counters = {};
    m_entered.clear();
    m_cancelled = false;
    m_writeError.reset();

    DirPtr start(::opendir(startFolder.c_str()));
    if (!start)
        return systemError(errno, startFolder);
    struct stat info {};
    if (::fstat(::dirfd(start.get()), &info) == 0)
        m_entered.insert({info.st_dev, info.st_ino});
    findfile(std::move(start), withTrailingSlash(startFolder));
    if (m_writeError)
        return *m_writeError;
    return m_cancelled ? ScanEnd::Cancelled : ScanEnd::Completed;
}

bool FolderScan::store(LineWriter& list, std::string_view line) {
    Status written = list.writeLine(line);
    if (!written)
        m_writeError = written.error();
    return written.ok();
}

FolderScan::Step FolderScan::stopOnCancel() {
    m_cancelled = true;
    m_progress.stoppedOnCancel();
    return Step::Stop;
}

FolderScan::Step FolderScan::findfile(DirPtr directory, const std::string& folderPath) {
    m_progress.yield();

    // The whole listing first, split into files and subfolders, each in listing order.
    LineTable files;
    LineTable subfolders;
    std::vector<FolderId> subfolderIds;
    const int directoryFd = ::dirfd(directory.get());
    while (const dirent* entry = ::readdir(directory.get())) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        if (entry->d_type == DT_REG) {
            files.append(entry->d_name);
            continue;
        }
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat info {};
        if (::fstatat(directoryFd, entry->d_name, &info, 0) != 0)
            continue; // a dangling link or an entry gone meanwhile
        if (S_ISREG(info.st_mode)) {
            files.append(entry->d_name);
        } else if (S_ISDIR(info.st_mode)) {
            subfolders.append(entry->d_name);
            subfolderIds.push_back({info.st_dev, info.st_ino});
        }
    }
    // Closed before descending, so that a deep tree does not hold one descriptor per level.
    directory.reset();

    const bool folderUnstorable = holdsLineEnd(folderPath);
    bool folderListed = false;
    std::string fullPath;
    for (std::size_t i = 1; i <= files.size(); ++i) {
        if (m_progress.cancelRequested())
            return stopOnCancel();
        fullPath.assign(folderPath).append(files.line(i));
        if (isSong(fullPath) && !folderUnstorable && !holdsLineEnd(files.line(i))) {
            if (!folderListed) {
                folderListed = true;
                if (!store(m_folders, folderPath))
                    return Step::Stop;
                ++m_counters.foldersFound;
                m_progress.folderListed(folderPath, m_counters);
            }
            if (!store(m_songs, fullPath))
                return Step::Stop;
            ++m_counters.filesFound;
            m_progress.songFound(fullPath, m_counters);
        }
        m_progress.yield();
    }

    if (!m_progress.includeSubfolders())
        return Step::Go;

    std::string subfolderPath;
    for (std::size_t i = 1; i <= subfolders.size(); ++i) {
        if (m_progress.cancelRequested())
            return stopOnCancel();
        // A link back into the tree would otherwise be walked again and again.
        if (!m_entered.insert(subfolderIds[i - 1]).second)
            continue;
        subfolderPath.assign(folderPath).append(subfolders.line(i));
        DirPtr subfolder(::opendir(subfolderPath.c_str()));
        if (!subfolder)
            continue; // no permission, gone meanwhile or a path too long: passed over
        ++m_counters.foldersEntered;
        m_progress.folderEntered(subfolderPath, m_counters);
        if (findfile(std::move(subfolder), subfolderPath + '/') == Step::Stop)
            return Step::Stop;
    }
    return Step::Go;
}

} // namespace liedspur
