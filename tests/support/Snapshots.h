#pragma once

#include "index/IndexSnapshot.h"

#include <string>
#include <vector>

namespace liedspur::testing {

// A snapshot holding these path lines and folder lines, as if loaded from files.
inline IndexPtr makeSnapshot(const std::vector<std::string>& songs,
                             const std::vector<std::string>& folders = {}) {
    SongTable songLines;
    for (const auto& song : songs)
        songLines.append(song);
    LineTable folderLines;
    for (const auto& folder : folders)
        folderLines.append(folder);
    return std::make_shared<const IndexSnapshot>(
        " " + std::to_string(songs.size()) + " ", std::move(songLines),
        " " + std::to_string(folders.size()) + " ", std::move(folderLines));
}

} // namespace liedspur::testing
