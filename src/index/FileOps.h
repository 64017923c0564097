#pragma once

#include "base/FileDescriptor.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace liedspur {

// The file system calls that saving makes, all through one place, so that a test can make
// any one of them fail. Each behaves as its system call: -1 (or an invalid descriptor) with
// errno set on failure.
class FileOps {
public:
    // Asked before every call: an error number to fail it with, or 0 to make it.
    using Fault = std::function<int()>;

    FileOps() = default;
    explicit FileOps(Fault fault) : m_fault(std::move(fault)) {}

    // Regular files only, as openRegularFile.
    FileDescriptor open(const std::string& path, int flags, mode_t mode = 0644) const;
    ssize_t readAt(const FileDescriptor& fd, char* buffer, std::size_t size, off_t offset) const;
    ssize_t writeAt(const FileDescriptor& fd, const char* data, std::size_t size,
                    off_t offset) const;
    // Writes all of `bytes` from `offset` on, in as many calls as it takes: 0 or the error
    // number of the call that failed.
    int writeAllAt(const FileDescriptor& fd, std::string_view bytes, off_t offset) const;
    int truncate(const FileDescriptor& fd, off_t length) const;
    int sync(const FileDescriptor& fd) const;
    // Closes in any case; false when the close or the write-back behind it failed.
    bool close(FileDescriptor& fd) const;
    int rename(const std::string& from, const std::string& to) const;
    int remove(const std::string& path) const;
    // Makes the directory's entries durable: names created, renamed and removed in it.
    int syncDirectory(const std::string& path) const;

private:
    bool faulted() const;

    Fault m_fault;
};

} // namespace liedspur
