#include "index/IndexSnapshot.h"

namespace liedspur {

IndexSnapshot::IndexSnapshot() : IndexSnapshot({}, SongTable(), {}, LineTable()) {}

IndexSnapshot::IndexSnapshot(std::string fileCountText, SongTable songs,
                             std::string folderCountText, LineTable folders)
    : IndexSnapshot(std::move(fileCountText), std::make_shared<const SongTable>(std::move(songs)),
                    std::move(folderCountText),
                    std::make_shared<const LineTable>(std::move(folders))) {}

IndexSnapshot::IndexSnapshot(std::string fileCountText, std::shared_ptr<const SongTable> songs,
                             std::string folderCountText, std::shared_ptr<const LineTable> folders)
    : m_fileCountText(std::move(fileCountText)), m_songs(std::move(songs)),
      m_folderCountText(std::move(folderCountText)), m_folders(std::move(folders)) {}

IndexPtr IndexSnapshot::songsOnly() const {
    return IndexPtr(new IndexSnapshot(m_fileCountText, m_songs, m_folderCountText,
                                      std::make_shared<const LineTable>()));
}

IndexPtr IndexSnapshot::foldersOnly() const {
    return IndexPtr(new IndexSnapshot(m_fileCountText, std::make_shared<const SongTable>(),
                                      m_folderCountText, m_folders));
}

} // namespace liedspur
