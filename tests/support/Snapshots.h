#pragma once

#include "index/IndexSnapshot.h"

#include <string>
#include <vector>

namespace liedspur::testing {

// A table of these lines.
template <typename Table = LineTable> Table tableOf(const std::vector<std::string>& lines) {
    Table table;
    for (const std::string& line : lines)
        table.append(line);
    return table;
}

// A snapshot holding these path lines and folder lines, as if loaded from files.
inline IndexPtr makeSnapshot(const std::vector<std::string>& songs,
                             const std::vector<std::string>& folders = {}) {
    return std::make_shared<const IndexSnapshot>(
        " " + std::to_string(songs.size()) + " ", tableOf<SongTable>(songs),
        " " + std::to_string(folders.size()) + " ", tableOf(folders));
}

} // namespace liedspur::testing
