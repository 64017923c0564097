#pragma once

#include "IndexSnapshot.h"
#include "LineReader.h"
#include "Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace liedspur {

// Reads files.dat, index.dat, ordner.dat and index1.dat from `directory`, in this order,
// into a new snapshot, after finishing a save left pending (finishPendingSave). All or
// nothing: any missing file, bad count line or short list fails the whole load.
struct CountFile {
    std::string text; // the count line as read, blanks included
    std::uint64_t count;
};

// The first line of the count file `name` and the number it spells. A line of more than a
// few KiB is no count.
Result<CountFile> readCountFile(const std::string& directory, std::string_view name);

Result<IndexPtr> loadIndex(const std::string& directory, const Yield& yield = {});

// The index in use and its reloads. A reload that fails keeps the snapshot in use, and a
// reload asked for while one is running (from inside its yield) is refused.
class IndexStore {
public:
    enum class Outcome { Loaded, Failed, Busy };

    const IndexPtr& current() const { return m_current; }
    bool loading() const { return m_loading; }

    Outcome reload(const std::string& directory, const Yield& yield = {});
    const Error& lastError() const { return m_lastError; }

private:
    IndexPtr m_current = std::make_shared<const IndexSnapshot>();
    bool m_loading = false;
    Error m_lastError;
};

} // namespace liedspur
