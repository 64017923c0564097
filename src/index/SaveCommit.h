#pragma once

#include "base/Result.h"
#include "index/FileOps.h"

#include <string>
#include <string_view>
#include <vector>

namespace liedspur {

// Finishes a save of the index that was committed but not completed (the program died or
// a call failed on the way): moves each file the commit record names from beside its final
// name into place, then deletes the record. Does nothing when no save is pending. Every
// load and save calls it before it reads or writes an index file; while it fails, the index
// files must not be read. The whole protocol is told at the top of IndexSaver.cpp.
Status finishPendingSave(const std::string& directory, const FileOps& ops = FileOps());

namespace savecommit {

// The commit record, our own file beside the index files.
inline constexpr std::string_view recordName = "index.journal";

// Where the new version of the index file `name` waits for the commit, beside it.
std::string stagedPath(const std::string& directory, std::string_view name);

// Makes the staged, synced files of `names` the index files: writes the commit record,
// renames it into place (the commit point), then moves the staged files. A failure before
// the commit point deletes the staged files and leaves the old index; one after it leaves
// the rest to the next finishPendingSave, which gives the new index.
Status commit(const std::string& directory, const std::vector<std::string_view>& names,
              const FileOps& ops);

// Deletes the staged files of `names`: a save given up before its commit.
void abandon(const std::string& directory, const std::vector<std::string_view>& names,
             const FileOps& ops);

// Deletes the staged files and temporaries that interrupted saves left behind. Only while
// no save is pending: a pending one needs its staged files.
void removeLeftovers(const std::string& directory, const FileOps& ops);

} // namespace savecommit

} // namespace liedspur
