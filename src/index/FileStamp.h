#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace liedspur {

// What the file system tells of a file without reading it: which file it is, its size and
// when its content and its entry last changed, to the nanosecond.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// None when the file cannot be looked at, for instance because it is gone.
std::optional<FileStamp> stampOf(const std::string& path);

// The wall-clock time that file times are taken from, in nanoseconds.
std::int64_t fileClockNs();

} // namespace liedspur
