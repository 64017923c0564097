#pragma once

#include "base/LineTable.h"
#include "base/Result.h"
#include "index/FileOps.h"
#include "index/SaveCommit.h"

#include <cstdint>
#include <string>

namespace liedspur {

// Both saves change the four index files all together or not at all: after a failure or
// an interruption at any point the index loads as the old one or as the new one. A save
// fails only when the index is still the old one; a failed save leaves the run's temporary
// lists, so it can be tried again, and the same run's save tried again while its commit
// waits to be finished is not made twice. `ops` makes every file operation; tests hand in
// one that fails.

// How a save that happened ended: Finished, or Pending when the disk took no more writes
// before the files were all in place. The index loads as the new one either way.
using SaveOutcome = savecommit::Committed;

// Makes the last run's temporary lists the index, with the run's counts, and deletes them
// once finished.
Result<SaveOutcome> replaceIndex(const std::string& directory, std::uint64_t filesFound,
                                 std::uint64_t foldersFound, const FileOps& ops = FileOps());

// Adds a run's songs and the first `foldersFound` lines of ordner.tmp behind the index's
// counted lines, and the run's counts to the old counts. Lines beyond an old count (left by
// an interrupted save) are cut, so that the new lines are the ones counted.
Result<SaveOutcome> appendIndex(const std::string& directory, const LineTable& songs,
                                std::uint64_t foldersFound, const FileOps& ops = FileOps());

} // namespace liedspur
