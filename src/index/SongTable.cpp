#include "index/SongTable.h"

#include <cstring>

namespace liedspur {

std::size_t fileNameOffset(std::string_view line) {
    const void* slash = ::memrchr(line.data(), '/', line.size());
    return slash ? static_cast<std::size_t>(static_cast<const char*>(slash) - line.data()) + 1 : 0;
}

std::string SongTable::fullPath(std::size_t row) const {
    std::string path(folderPath(row));
    path += fileName(row);
    return path;
}

void SongTable::reserve(std::size_t lines, std::size_t bytes) {
    // Room for the whole list: the names need less, and room they leave unused is never touched.
    m_names.reserve(lines, bytes);
    m_folderOf.reserve(lines);
}

void SongTable::append(std::string_view line, std::size_t nameOffset) {
    const std::string_view folder = line.substr(0, nameOffset);
    if (m_folderOf.empty() || folder != m_lastFolder) {
        m_folders.append(folder);
        m_lastFolder = m_folders.line(m_folders.size());
    }
    m_folderOf.push_back(static_cast<std::uint32_t>(m_folders.size()));
    m_names.append(line.substr(nameOffset));
}

void SongTable::shrinkToFit() {
    m_names.shrinkToFit();
    m_folders.shrinkToFit();
    m_folderOf.shrinkToFit();
    if (!m_folders.empty())
        m_lastFolder = m_folders.line(m_folders.size());
}

} // namespace liedspur
