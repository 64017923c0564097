#include "base/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    close();
}

bool FileDescriptor::close() {
    if (m_fd < 0)
        return true;
    const int result = ::close(std::exchange(m_fd, -1));
    return result == 0;
}

namespace {

int specialFileError(mode_t mode) {
    return S_ISDIR(mode) ? EISDIR : ENXIO;
}

} // namespace

FileDescriptor openRegularFile(const std::string& path, int flags, mode_t mode) {
    // Looking first spares a device the side effects of being opened; the check after the
    // open is the one that holds, as the name may change in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = specialFileError(info.st_mode);
        return FileDescriptor();
    }
    // Without O_NONBLOCK, opening a FIFO waits for its other end, for ever.
    FileDescriptor fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    if (!fd.valid())
        return fd;
    int error = 0;
    if (::fstat(fd.get(), &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = specialFileError(info.st_mode);
    // Reads and writes of the file itself may wait as usual.
    else if (const int status = ::fcntl(fd.get(), F_GETFL);
             status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        error = errno;
    if (error != 0) {
        fd.close();
        errno = error;
        return FileDescriptor();
    }
    return fd;
}

int writeAllBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace liedspur
