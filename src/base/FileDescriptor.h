#pragma once

#include "base/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace liedspur {

// Owns a POSIX file descriptor and closes it when it goes. Its errors name the file as the
// user knows it, `name`.
class FileDescriptor {
public:
    FileDescriptor() = default;
    FileDescriptor(int fd, std::string name) : m_fd(fd), m_name(std::move(name)) {}
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)), m_name(std::move(other.m_name)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    bool valid() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    const std::string& name() const { return m_name; }
    // The error `errorNumber` of a call on this file.
    Error error(int errorNumber) const;

    // Closes now; fails when the close itself or the write-back behind it fails.
    Status close();

private:
    int m_fd = -1;
    std::string m_name;
};

// Opens `path` only if it is a regular file (a link to one counts). A FIFO, socket or
// device is refused without waiting on it (ENXIO), and so is a folder (EISDIR). `flags` are
// open(2)'s; a file created gets mode 0644 less the umask; the descriptor is closed on exec.
// Errors name the file as `name`, by default its own file name.
Result<FileDescriptor> openRegularFile(const std::string& path, int flags, std::string name = {});

// Reads at most `size` bytes from `fd` at its current position: how many, 0 at the end.
Result<std::size_t> readSome(const FileDescriptor& fd, char* buffer, std::size_t size);

// Writes all of `bytes` to `fd` at its current position, in as many calls as it takes.
Status writeAll(const FileDescriptor& fd, std::string_view bytes);

} // namespace liedspur
