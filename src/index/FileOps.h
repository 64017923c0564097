#pragma once

#include "base/FileDescriptor.h"
#include "base/Result.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace liedspur {

// The file system calls that saving makes, all through one place, so that a test can make
// any one of them fail. Errors name the file concerned by its file name.
class FileOps {
public:
    // Whether a call only reads, or changes what is on disk.
    enum class Access { Reads, Writes };
    // Asked before every call: an error number to fail it with, or 0 to make it.
    using Fault = std::function<int(Access)>;

    FileOps() = default;
    explicit FileOps(Fault fault) : m_fault(std::move(fault)) {}

    // Regular files only, as openRegularFile; errors name the file as `name`, by default its
    // own file name.
    Result<FileDescriptor> open(const std::string& path, int flags, std::string name = {}) const;
    // At most `size` bytes from `offset` on: how many were read, 0 at the end of the file.
    Result<std::size_t> readAt(const FileDescriptor& fd, char* buffer, std::size_t size,
                               off_t offset) const;
    // Writes all of `bytes` from `offset` on, in as many calls as it takes.
    Status writeAllAt(const FileDescriptor& fd, std::string_view bytes, off_t offset) const;
    Status truncate(const FileDescriptor& fd, off_t length) const;
    Status sync(const FileDescriptor& fd) const;
    // Closes in any case; fails when the close or the write-back behind it failed.
    Status close(FileDescriptor& fd) const;
    // Errors name the file `to`.
    Status rename(const std::string& from, const std::string& to) const;
    Status remove(const std::string& path) const;
    // Makes the directory's entries durable: names created, renamed and removed in it.
    Status syncDirectory(const std::string& path) const;

private:
    // The error number the next call fails with, or none when it is made.
    std::optional<int> fault(Access access) const;

    Fault m_fault;
};

} // namespace liedspur
