#include "IndexSnapshot.h"

#include "MemoryAdvice.h"

#include <cstring>

namespace liedspur {

std::size_t fileNameOffset(std::string_view line) {
    const void* slash = ::memrchr(line.data(), '/', line.size());
    return slash ? static_cast<const char*>(slash) - line.data() + 1 : 0;
}

IndexSnapshot::IndexSnapshot(std::string fileCountText, LineTable songs,
                             std::string folderCountText, LineTable folders)
    : m_fileCountText(std::move(fileCountText)), m_songs(std::move(songs)),
      m_folderCountText(std::move(folderCountText)), m_folders(std::move(folders)) {
    m_nameOffsets.reserve(m_songs.size());
    adviseLargeBuffer(m_nameOffsets.data(), m_songs.size() * sizeof(std::uint32_t));
    m_nameOffsets.resize(m_songs.size());
    for (std::size_t row = 1; row <= m_songs.size(); ++row)
        m_nameOffsets[row - 1] = static_cast<std::uint32_t>(fileNameOffset(m_songs.line(row)));
}

std::size_t IndexSnapshot::memoryUse() const {
    return m_songs.memoryUse() + m_folders.memoryUse() +
           m_nameOffsets.capacity() * sizeof(std::uint32_t);
}

} // namespace liedspur
