#pragma once

#include "LineTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace liedspur {

// The index as one load read it: the songs (SongIndex), the folders (FolderIndex) and the
// two count lines as their text. Immutable once made, so that result rows can share it
// across later reloads. Rows count from 1, as the line numbers of the list files do.
class IndexSnapshot {
public:
    IndexSnapshot() = default;
    IndexSnapshot(std::string fileCountText, LineTable songs, std::string folderCountText,
                  LineTable folders);

    std::size_t songCount() const { return m_songs.size(); }
    std::string_view fullPath(std::size_t row) const { return m_songs.line(row); }
    // Up to and including the last "/"; empty when the line holds none.
    std::string_view folderPath(std::size_t row) const {
        return fullPath(row).substr(0, m_nameOffsets[row - 1]);
    }
    // The rest after the last "/"; the whole line when it holds none.
    std::string_view fileName(std::size_t row) const {
        return fullPath(row).substr(m_nameOffsets[row - 1]);
    }

    std::size_t folderCount() const { return m_folders.size(); }
    std::string_view folder(std::size_t row) const { return m_folders.line(row); }

    // The count lines exactly as read, blanks included; empty before the first load.
    const std::string& fileCountText() const { return m_fileCountText; }
    const std::string& folderCountText() const { return m_folderCountText; }

    std::size_t memoryUse() const;

private:
    std::string m_fileCountText;
    LineTable m_songs;
    std::vector<std::uint32_t> m_nameOffsets;
    std::string m_folderCountText;
    LineTable m_folders;
};

using IndexPtr = std::shared_ptr<const IndexSnapshot>;

// The position just after the last separator of a path line, 0 when there is none.
std::size_t fileNameOffset(std::string_view line);

} // namespace liedspur
