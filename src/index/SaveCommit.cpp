#include "index/SaveCommit.h"

#include "base/SystemError.h"
#include "index/IndexFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>

namespace liedspur::savecommit {

namespace {

using namespace indexfiles;

constexpr std::array<std::string_view, 4> indexFileNames = {songList, songCount, folderList,
                                                            folderCount};
constexpr std::string_view stagedSuffix = ".new";
// The first line of every record, so that no other file is ever taken for one.
constexpr std::string_view recordMark = "Liedspur: gespeichert";
constexpr std::size_t recordLimit = 4096;

bool isIndexFileName(std::string_view name) {
    return std::find(indexFileNames.begin(), indexFileNames.end(), name) != indexFileNames.end();
}

std::string recordPath(const std::string& directory) {
    return path(directory, recordName);
}

std::string stagedRecordPath(const std::string& directory) {
    return recordPath(directory) + std::string(stagedSuffix);
}

std::string recordText(const std::vector<std::string_view>& names) {
    std::string text(recordMark);
    text += lineEnd;
    for (const std::string_view name : names) {
        text += name;
        text += lineEnd;
    }
    return text;
}

// The names a record commits; none for text that no commit wrote.
std::optional<std::vector<std::string_view>> parseRecord(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find(lineEnd);
        if (end == std::string_view::npos)
            return std::nullopt;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + lineEnd.size());
    }
    if (lines.size() < 2 || lines.front() != recordMark)
        return std::nullopt;
    std::vector<std::string_view> names;
    for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
        const auto known = std::find(indexFileNames.begin(), indexFileNames.end(), *line);
        if (known == indexFileNames.end())
            return std::nullopt;
        names.push_back(*known);
    }
    return names;
}

// A stale temporary of the earlier way of writing count files: the name, a dot and six
// letters or digits.
bool isOldTemporary(std::string_view entry) {
    for (const std::string_view name : {songCount, folderCount}) {
        if (entry.size() != name.size() + 7 || entry.substr(0, name.size()) != name ||
            entry[name.size()] != '.')
            continue;
        const std::string_view tail = entry.substr(name.size() + 1);
        if (std::all_of(tail.begin(), tail.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            }))
            return true;
    }
    return false;
}

bool isLeftover(std::string_view entry) {
    if (entry == std::string(recordName) + std::string(stagedSuffix))
        return true;
    if (entry.size() > stagedSuffix.size() &&
        entry.substr(entry.size() - stagedSuffix.size()) == stagedSuffix &&
        isIndexFileName(entry.substr(0, entry.size() - stagedSuffix.size())))
        return true;
    return isOldTemporary(entry);
}

Status writeSyncedRecord(const std::string& directory, const std::vector<std::string_view>& names,
                         const FileOps& ops) {
    Result<FileDescriptor> fd = ops.open(stagedRecordPath(directory), O_WRONLY | O_CREAT | O_TRUNC,
                                         std::string(recordName));
    if (!fd)
        return fd.error();
    Status written = ops.writeAllAt(fd.value(), recordText(names), 0);
    if (written)
        written = ops.sync(fd.value());
    if (written)
        written = ops.close(fd.value());
    return written;
}

} // namespace

std::string stagedPath(const std::string& directory, std::string_view name) {
    return path(directory, name) + std::string(stagedSuffix);
}

void abandon(const std::string& directory, const std::vector<std::string_view>& names,
             const FileOps& ops) {
    // What cannot be deleted now is deleted before the next save.
    for (const std::string_view name : names)
        ops.remove(stagedPath(directory, name)).ignoreError();
    ops.remove(stagedRecordPath(directory)).ignoreError();
}

Status rollForward(const std::string& directory, const std::vector<std::string_view>& names,
                   const FileOps& ops) {
    for (const std::string_view name : names) {
        // A staged file already gone was moved by an earlier, interrupted roll forward.
        if (Status moved = ops.rename(stagedPath(directory, name), path(directory, name));
            !moved && !moved.failedWith(ENOENT))
            return moved;
    }
    // The renames must be on disk before the record that would repeat them is gone.
    if (Status synced = ops.syncDirectory(directory); !synced)
        return synced;
    if (Status removed = ops.remove(recordPath(directory)); !removed && !removed.failedWith(ENOENT))
        return removed;
    return ops.syncDirectory(directory);
}

Status commit(const std::string& directory, const std::vector<std::string_view>& names,
              const FileOps& ops) {
    Status written = writeSyncedRecord(directory, names, ops);
    if (written)
        written = ops.rename(stagedRecordPath(directory), recordPath(directory));
    if (!written) {
        abandon(directory, names, ops);
        return written;
    }
    // Committed. The record must be on disk before any staged file takes its final name:
    // a rename that outlived a lost record would leave the files mixed.
    if (Status synced = ops.syncDirectory(directory); !synced)
        return synced;
    return rollForward(directory, names, ops);
}

void removeLeftovers(const std::string& directory, const FileOps& ops) {
    DIR* folder = ::opendir(directory.c_str());
    if (!folder)
        return;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(folder))
        if (isLeftover(entry->d_name))
            leftovers.emplace_back(entry->d_name);
    ::closedir(folder);
    // One that cannot be deleted stays harmless: no load reads it, and every save tries again.
    for (const std::string& leftover : leftovers)
        ops.remove(path(directory, leftover)).ignoreError();
}

} // namespace liedspur::savecommit

namespace liedspur {

Status finishPendingSave(const std::string& directory, const FileOps& ops) {
    using namespace savecommit;
    const std::string record = indexfiles::path(directory, recordName);
    Result<FileDescriptor> fd = ops.open(record, O_RDONLY);
    // Only a regular file can be a record: a folder or the like in its place is not one.
    if (fd.failedWith(ENOENT) || fd.failedWith(EISDIR) || fd.failedWith(ENXIO))
        return success();
    if (!fd)
        return fd.error();
    std::string text(recordLimit, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const Result<std::size_t> got = ops.readAt(
            fd.value(), text.data() + filled, text.size() - filled, static_cast<off_t>(filled));
        if (!got)
            return got.error();
        if (got.value() == 0)
            break;
        filled += got.value();
    }
    // Read only: how its close goes changes nothing.
    ops.close(fd.value()).ignoreError();
    text.resize(filled);
    const auto names = parseRecord(text);
    // Records are renamed into place whole, so this is none of ours: nothing to finish.
    if (!names)
        return ops.remove(record);
    return rollForward(directory, *names, ops);
}

} // namespace liedspur
