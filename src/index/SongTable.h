#pragma once

#include "base/LineTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace liedspur {

// The position just after the last separator of a path line, 0 when there is none.
std::size_t fileNameOffset(std::string_view line);

// The songs of an index, each path line split at its last "/" into its folder and its file
// name. A folder is kept once for each run of lines that share it, as a scan writes a
// folder's songs one after the other, so a million songs hold their folders' text only once.
class SongTable {
public:
    std::size_t size() const { return m_names.size(); }

    // Row `row` (from 1): up to and including the last "/", empty when the line holds none.
    std::string_view folderPath(std::size_t row) const {
        return m_folders.line(m_folderOf[row - 1]);
    }
    // The rest after the last "/"; the whole line when it holds none.
    std::string_view fileName(std::size_t row) const { return m_names.line(row); }
    // The path line as read.
    std::string fullPath(std::size_t row) const;

    // The file names alone, in row order.
    const LineTable& fileNames() const { return m_names; }
    // The folders, each once for a run of rows that share it, and the line among them
    // (from 1) that row `row` has.
    const LineTable& folderLines() const { return m_folders; }
    std::size_t folderLineOf(std::size_t row) const { return m_folderOf[row - 1]; }

    void reserve(std::size_t lines, std::size_t bytes);
    void append(std::string_view line) { append(line, fileNameOffset(line)); }
    // The same where the caller found the name's start, fileNameOffset(line).
    void append(std::string_view line, std::size_t nameOffset);
    // The folder of the last row appended, and a row in it with this file name.
    std::string_view lastFolder() const { return m_lastFolder; }
    void appendToLastFolder(std::string_view name) {
        m_folderOf.push_back(static_cast<std::uint32_t>(m_folders.size()));
        m_names.append(name);
    }
    void shrinkToFit();

private:
    LineTable m_names;
    LineTable m_folders;
    RawArray<std::uint32_t> m_folderOf; // per row, its line in m_folders
    std::string_view m_lastFolder;      // the last line of m_folders, while appending
};

} // namespace liedspur
