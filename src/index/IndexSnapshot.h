#pragma once

#include "base/LineTable.h"
#include "index/SongTable.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace liedspur {

class IndexSnapshot;
using IndexPtr = std::shared_ptr<const IndexSnapshot>;

// The index as one load read it: the songs (SongIndex), the folders (FolderIndex) and the
// two count lines as their text. Immutable once made, so that result rows can share it
// across later reloads. Rows count from 1, as the line numbers of the list files do.
class IndexSnapshot {
public:
    IndexSnapshot();
    IndexSnapshot(std::string fileCountText, SongTable songs, std::string folderCountText,
                  LineTable folders);

    std::size_t songCount() const { return m_songs->size(); }
    // The path line as read.
    std::string fullPath(std::size_t row) const { return m_songs->fullPath(row); }
    // Up to and including the last "/"; empty when the line holds none.
    std::string_view folderPath(std::size_t row) const { return m_songs->folderPath(row); }
    // The rest after the last "/"; the whole line when it holds none.
    std::string_view fileName(std::size_t row) const { return m_songs->fileName(row); }

    std::size_t folderCount() const { return m_folders->size(); }
    std::string_view folder(std::size_t row) const { return m_folders->line(row); }

    const SongTable& songs() const { return *m_songs; }
    const LineTable& folders() const { return *m_folders; }

    // The count lines exactly as read, blanks included; empty before the first load.
    const std::string& fileCountText() const { return m_fileCountText; }
    const std::string& folderCountText() const { return m_folderCountText; }

    // This index with its songs alone or its folders alone: result rows of one kind keep
    // only the table they show alive, and a reload frees the other at once.
    IndexPtr songsOnly() const;
    IndexPtr foldersOnly() const;

private:
    IndexSnapshot(std::string fileCountText, std::shared_ptr<const SongTable> songs,
                  std::string folderCountText, std::shared_ptr<const LineTable> folders);

    std::string m_fileCountText;
    std::shared_ptr<const SongTable> m_songs;
    std::string m_folderCountText;
    std::shared_ptr<const LineTable> m_folders;
};

} // namespace liedspur
