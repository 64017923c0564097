#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace liedspur {

// Owns a POSIX file descriptor and closes it when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    bool valid() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // Closes now and reports whether the close itself went well (it can fail on write-back).
    bool close();

private:
    int m_fd = -1;
};

// Opens `path` only if it is a regular file (a link to one counts). A FIFO, socket, device
// or folder is refused without waiting on it: invalid, with errno EISDIR for a folder and
// ENXIO for the rest. `flags` are open(2)'s; the descriptor is closed on exec.
FileDescriptor openRegularFile(const std::string& path, int flags, mode_t mode = 0644);

// Writes all of `bytes` to `fd`; 0 or the error number of the write that failed.
int writeAllBytes(int fd, std::string_view bytes);

} // namespace liedspur
