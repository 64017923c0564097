#pragma once

#include "base/LineTable.h"
#include "base/Result.h"
#include "index/FileOps.h"

#include <cstdint>
#include <string>

namespace liedspur {

// Both saves change the four index files all together or not at all: after a failure or
// an interruption at any point the index loads as the old one or as the new one. A failed
// save leaves the run's temporary lists, so it can be tried again. `ops` makes every file
// operation; tests hand in one that fails.

// Makes the last run's temporary lists the index, with the run's counts, and deletes them.
Status replaceIndex(const std::string& directory, std::uint64_t filesFound,
                    std::uint64_t foldersFound, const FileOps& ops = FileOps());

// Adds a run's songs and the first `foldersFound` lines of ordner.tmp behind the index's
// counted lines, and the run's counts to the old counts. Lines beyond an old count (left by
// an interrupted save) are cut, so that the new lines are the ones counted.
Status appendIndex(const std::string& directory, const LineTable& songs, std::uint64_t foldersFound,
                   const FileOps& ops = FileOps());

} // namespace liedspur
