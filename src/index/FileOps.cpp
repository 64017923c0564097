#include "index/FileOps.h"

#include "base/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace liedspur {

std::optional<int> FileOps::fault(Access access) const {
    if (!m_fault)
        return std::nullopt;
    if (const int error = m_fault(access); error != 0)
        return error;
    return std::nullopt;
}

Result<FileDescriptor> FileOps::open(const std::string& path, int flags, std::string name) const {
    if (const auto error = fault((flags & O_ACCMODE) == O_RDONLY ? Access::Reads : Access::Writes))
        return systemError(*error, name.empty() ? fileNameOf(path) : name);
    return openRegularFile(path, flags, std::move(name));
}

Result<std::size_t> FileOps::readAt(const FileDescriptor& fd, char* buffer, std::size_t size,
                                    off_t offset) const {
    if (const auto error = fault(Access::Reads))
        return fd.error(*error);
    ssize_t got;
    do
        got = ::pread(fd.get(), buffer, size, offset);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return fd.error(errno);
    return static_cast<std::size_t>(got);
}

Status FileOps::writeAllAt(const FileDescriptor& fd, std::string_view bytes, off_t offset) const {
    while (!bytes.empty()) {
        if (const auto error = fault(Access::Writes))
            return fd.error(*error);
        ssize_t written;
        do
            written = ::pwrite(fd.get(), bytes.data(), bytes.size(), offset);
        while (written < 0 && errno == EINTR);
        if (written < 0)
            return fd.error(errno);
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return success();
}

Status FileOps::truncate(const FileDescriptor& fd, off_t length) const {
    if (const auto error = fault(Access::Writes))
        return fd.error(*error);
    if (::ftruncate(fd.get(), length) != 0)
        return fd.error(errno);
    return success();
}

Status FileOps::sync(const FileDescriptor& fd) const {
    if (const auto error = fault(Access::Writes))
        return fd.error(*error);
    if (::fsync(fd.get()) != 0)
        return fd.error(errno);
    return success();
}

Status FileOps::close(FileDescriptor& fd) const {
    // Writes have been made or refused before: a close alone changes nothing on disk.
    const auto error = fault(Access::Reads);
    Status closed = fd.close();
    if (error)
        return fd.error(*error);
    return closed;
}

Status FileOps::rename(const std::string& from, const std::string& to) const {
    if (const auto error = fault(Access::Writes))
        return systemError(*error, fileNameOf(to));
    if (::rename(from.c_str(), to.c_str()) != 0)
        return systemError(errno, fileNameOf(to));
    return success();
}

Status FileOps::remove(const std::string& path) const {
    if (const auto error = fault(Access::Writes))
        return systemError(*error, fileNameOf(path));
    if (::unlink(path.c_str()) != 0)
        return systemError(errno, fileNameOf(path));
    return success();
}

Status FileOps::syncDirectory(const std::string& path) const {
    if (const auto error = fault(Access::Writes))
        return systemError(*error, fileNameOf(path));
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), fileNameOf(path));
    if (!fd.valid())
        return fd.error(errno);
    // Some file systems cannot sync a folder and say so; their entries are as safe as they
    // get.
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return fd.error(errno);
    return fd.close();
}

} // namespace liedspur
