#pragma once

#include "LineTable.h"
#include "Result.h"

#include <cstdint>
#include <string>

namespace liedspur {

// Makes the last run's temporary lists the index: each is renamed over its list file, then
// both counts are written. Fails before the first rename, leaving the old index whole, when
// either temporary list is missing.
Status replaceIndex(const std::string& directory, std::uint64_t filesFound,
                    std::uint64_t foldersFound);

// Adds a run's songs and the first `foldersFound` lines of ordner.tmp behind the index's
// counted lines, then writes the summed counts. Both old counts and the folder lines are
// read and checked first, so such a failure changes no file. Lines beyond an old count
// (left by an interrupted save) are cut, so that the new lines are the ones counted.
Status appendIndex(const std::string& directory, const LineTable& songs,
                   std::uint64_t foldersFound);

} // namespace liedspur
