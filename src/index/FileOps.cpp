#include "index/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace liedspur {

bool FileOps::faulted() const {
    if (!m_fault)
        return false;
    const int error = m_fault();
    if (error == 0)
        return false;
    errno = error;
    return true;
}

FileDescriptor FileOps::open(const std::string& path, int flags, mode_t mode) const {
    if (faulted())
        return FileDescriptor();
    return openRegularFile(path, flags, mode);
}

ssize_t FileOps::readAt(const FileDescriptor& fd, char* buffer, std::size_t size,
                        off_t offset) const {
    if (faulted())
        return -1;
    ssize_t got;
    do
        got = ::pread(fd.get(), buffer, size, offset);
    while (got < 0 && errno == EINTR);
    return got;
}

ssize_t FileOps::writeAt(const FileDescriptor& fd, const char* data, std::size_t size,
                         off_t offset) const {
    if (faulted())
        return -1;
    ssize_t written;
    do
        written = ::pwrite(fd.get(), data, size, offset);
    while (written < 0 && errno == EINTR);
    return written;
}

int FileOps::writeAllAt(const FileDescriptor& fd, std::string_view bytes, off_t offset) const {
    while (!bytes.empty()) {
        const ssize_t written = writeAt(fd, bytes.data(), bytes.size(), offset);
        if (written < 0)
            return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return 0;
}

int FileOps::truncate(const FileDescriptor& fd, off_t length) const {
    if (faulted())
        return -1;
    return ::ftruncate(fd.get(), length);
}

int FileOps::sync(const FileDescriptor& fd) const {
    if (faulted())
        return -1;
    return ::fsync(fd.get());
}

bool FileOps::close(FileDescriptor& fd) const {
    const bool failed = faulted();
    const int error = errno;
    const bool closed = fd.close();
    if (failed)
        errno = error;
    return closed && !failed;
}

int FileOps::rename(const std::string& from, const std::string& to) const {
    if (faulted())
        return -1;
    return ::rename(from.c_str(), to.c_str());
}

int FileOps::remove(const std::string& path) const {
    if (faulted())
        return -1;
    return ::unlink(path.c_str());
}

int FileOps::syncDirectory(const std::string& path) const {
    if (faulted())
        return -1;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return -1;
    // Some file systems cannot sync a folder and say so; their entries are as safe as they
    // get.
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return -1;
    return fd.close() ? 0 : -1;
}

} // namespace liedspur
