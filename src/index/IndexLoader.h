#pragma once

#include "base/Result.h"
#include "index/FileOps.h"
#include "index/FileStamp.h"
#include "index/IndexSnapshot.h"
#include "index/LineReader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace liedspur {

struct CountFile {
    std::string text; // the count line as read, blanks included
    std::uint64_t count;
};

// The first line of the count file `name` and the number it spells. A line of more than a
// few KiB is no count.
Result<CountFile> readCountFile(const std::string& directory, std::string_view name);

// Reads files.dat, index.dat, ordner.dat and index1.dat from `directory`, in this order,
// into a new snapshot. All or nothing: any missing file, bad count line or short list
// fails the whole load. A pending save is finished first, through `ops`.
Result<IndexPtr> loadIndex(const std::string& directory, const Yield& yield = {},
                           const FileOps& ops = FileOps());

// The index in use and its reloads. A reload reads the files only when they are not those
// the index in use was read from; one that fails keeps the snapshot in use, and one asked
// for while another runs (from inside its yield) is refused.
class IndexStore {
public:
    enum class Outcome { Loaded, Unchanged, Failed, Busy };

    const IndexPtr& current() const { return m_current; }

    // `beforeReading` runs when the files are about to be read, so that the caller can free
    // what the new index replaces before it takes room of its own.
    Outcome reload(const std::string& directory, const Yield& yield = {},
                   const std::function<void()>& beforeReading = {});

private:
    using Stamps = std::array<FileStamp, 4>;

    IndexPtr m_current = std::make_shared<const IndexSnapshot>();
    // The files the index in use was read from, while their stamps can tell every change.
    std::optional<Stamps> m_readFrom;
    bool m_loading = false;
};

} // namespace liedspur
