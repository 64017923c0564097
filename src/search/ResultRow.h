#pragma once

#include "index/IndexSnapshot.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace liedspur {

enum class RowKind : std::uint8_t { Song, Folder };

// The item text of every folder row.
inline constexpr std::string_view folderRowText = "Siehe Ordner";

// One row of the result list: a song or a folder of the snapshot it came from, which it
// keeps alive, so that a reload never changes a row already listed.
class ResultRow {
public:
    ResultRow(IndexPtr snapshot, RowKind kind, std::size_t number)
        : m_snapshot(std::move(snapshot)), m_kind(kind), m_number(number) {}

    RowKind kind() const { return m_kind; }
    // The row's position in its index (1-based), shown in the column "Lft.Nr.:".
    std::size_t number() const { return m_number; }
    const IndexPtr& snapshot() const { return m_snapshot; }

    // Column "Song-Titel": the file name, or "Siehe Ordner" for a folder row.
    std::string_view itemText() const {
        return m_kind == RowKind::Song ? m_snapshot->fileName(m_number) : folderRowText;
    }
    // Column "Ordner" (sub-item 1): the folder, ending in "/".
    std::string_view folder() const {
        return m_kind == RowKind::Song ? m_snapshot->folderPath(m_number)
                                       : m_snapshot->folder(m_number);
    }
    // The song's full path: the folder followed by the item text.
    std::string songTarget() const;
    // The folder without its trailing "/"; the root stays "/".
    std::string folderTarget() const;

private:
    IndexPtr m_snapshot;
    RowKind m_kind;
    std::size_t m_number;
};

} // namespace liedspur
