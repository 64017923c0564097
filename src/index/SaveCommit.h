#pragma once

#include "base/Result.h"
#include "index/FileOps.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace liedspur {

// A save of the index found in the application directory, and what finishing it gave.
struct PendingSave {
    enum class State {
        None,       // no record, or a file by the record's name that no save wrote
        Finished,   // a committed save, finished now
        Pending,    // a committed save that could not be finished now; its new files wait
        Broken,     // a committed save whose new files are gone: it can never be finished
        Unreadable, // the record could not be read, or its files not looked at
    };

    State state = State::None;
    // What the record's first line names: no file of ours when `state` is None.
    bool foreignRecord = false;
    // The run the save was for, as the saver named it (see savecommit::commit).
    std::string run;
    // Why it is Pending, Broken or Unreadable.
    Error problem;
    // Of a Pending save, the index files whose new version still waits beside them.
    std::vector<std::string_view> waiting;

    // Whether the index can be read now, and where each of its files is read from.
    bool readable() const { return state != State::Broken && state != State::Unreadable; }
    std::string pathOf(const std::string& directory, std::string_view name) const;
};

// Finishes a save of the index that was committed but not completed (the program died, or a
// call failed on the way): moves each file the commit record names from beside its final
// name into place, then deletes the record. Every load and save calls it once before it
// reads or writes an index file. The whole protocol is told at the top of IndexSaver.cpp.
PendingSave finishPendingSave(const std::string& directory, const FileOps& ops = FileOps());

namespace savecommit {

// The commit record, and where each new file waits for the commit beside its final name:
// names that only the program makes, so that it never takes a user's file for its own.
inline constexpr std::string_view recordName = "liedspur.journal";
inline constexpr std::string_view stagedSuffix = ".liedspur-neu";

std::string stagedPath(const std::string& directory, std::string_view name);

// What a file holds, as far as telling it from another goes: its size and a checksum of its
// bytes, which a rename and a copy keep.
struct FileId {
    std::uint64_t size = 0;
    std::uint64_t checksum = 0;
    bool operator==(const FileId&) const = default;
};

// Adds up a FileId over bytes given in pieces of any size.
class Checksum {
public:
    void add(std::string_view bytes);
    FileId id() const;

private:
    std::uint64_t m_size = 0;
    std::uint64_t m_sum = 0;
    std::uint64_t m_partial = 0; // the bytes of a word begun, m_size % 8 of them
};

// A file staged for the commit, and what it holds.
struct Staged {
    std::string_view name;
    FileId id;
};

// How a save ended that reached its commit point: the index is the new one either way.
enum class Committed {
    Finished,
    // The files could not all be moved into place (the disk took no more writes); loads
    // read the new ones where they wait, and the next load that can moves them.
    Pending,
};

// Makes the staged, synced files the index files: writes the commit record naming them and
// `run` (one line, identifying the run saved), renames it into place (the commit point),
// then moves the staged files. A failure before the commit point deletes the staged files
// and leaves the old index.
Result<Committed> commit(const std::string& directory, const std::vector<Staged>& staged,
                         std::string_view run, const FileOps& ops);

// Deletes the staged files of `names`: a save given up before its commit.
void abandon(const std::string& directory, const std::vector<std::string_view>& names,
             const FileOps& ops);

} // namespace savecommit

} // namespace liedspur
