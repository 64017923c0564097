#include "base/FileDescriptor.h"

#include "base/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

// Whoever needs to know how a close goes calls close() before.
FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_name = std::move(other.m_name);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0)
        ::close(m_fd);
}

Error FileDescriptor::error(int errorNumber) const {
    return systemError(errorNumber, m_name);
}

Status FileDescriptor::close() {
    if (m_fd < 0)
        return success();
    if (::close(std::exchange(m_fd, -1)) != 0)
        return error(errno);
    return success();
}

namespace {

int specialFileError(mode_t mode) {
    return S_ISDIR(mode) ? EISDIR : ENXIO;
}

} // namespace

Result<FileDescriptor> openRegularFile(const std::string& path, int flags, std::string name) {
    if (name.empty())
        name = fileNameOf(path);
    // Looking first spares a device the side effects of being opened; the check after the
    // open is the one that holds, as the name may change in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return systemError(specialFileError(info.st_mode), name);
    // Without O_NONBLOCK, opening a FIFO waits for its other end, for ever.
    FileDescriptor fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644),
                      std::move(name));
    if (!fd.valid())
        return fd.error(errno);
    if (::fstat(fd.get(), &info) != 0)
        return fd.error(errno);
    if (!S_ISREG(info.st_mode))
        return fd.error(specialFileError(info.st_mode));
    // Reads and writes of the file itself may wait as usual.
    if (const int status = ::fcntl(fd.get(), F_GETFL);
        status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return fd.error(errno);
    return fd;
}

Result<std::size_t> readSome(const FileDescriptor& fd, char* buffer, std::size_t size) {
    ssize_t got;
    do
        got = ::read(fd.get(), buffer, size);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return fd.error(errno);
    return static_cast<std::size_t>(got);
}

Status writeAll(const FileDescriptor& fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd.get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fd.error(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return success();
}

} // namespace liedspur
