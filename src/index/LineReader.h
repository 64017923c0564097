#pragma once

#include "base/LineTable.h"
#include "base/Result.h"
#include "base/Yield.h"
#include "index/SongTable.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace liedspur {

// No line the program writes to a list is longer than a path can be (a folder the system
// could open, and a file name in it), so a line a few times that long is no line of a list.
inline constexpr std::size_t maxListLineBytes = 4 * PATH_MAX;

// Reads the first `count` lines of the file at `path`. A line ends at CR (an LF right after
// it belongs to the same line end), at LF, or at the end of the file; its text holds
// neither. Bytes stay as they are. Fails when the file cannot be read or holds fewer
// lines or a line longer than maxListLineBytes; lines beyond `count` are not kept. Memory
// grows with the lines read, never with `count` or the file's size.
Result<LineTable> readLines(const std::string& path, std::uint64_t count, const Yield& yield = {});

// The same for a list of path lines, each split into its folder and its file name.
Result<SongTable> readSongLines(const std::string& path, std::uint64_t count,
                                const Yield& yield = {});

// The error of a list file that holds fewer lines than its count says.
Error shortListError(std::string_view fileName);
// The error of a list file with a line longer than maxListLineBytes.
Error lineTooLongError(std::string_view fileName);

} // namespace liedspur
