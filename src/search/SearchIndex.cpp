#include "search/SearchIndex.h"

#include "base/CaseFold.h"

#include <cstring>

namespace liedspur {

SearchIndex::Texts::Texts(const LineTable& lines) {
    // The lines are folded as one text: '\n' is ASCII and never part of a longer character.
    const std::string_view source = lines.bytes();
    char* const begin = m_bytes.extend(maxUpperCaseBytes(source.size()));
    bool lengthsKept = true;
    m_bytes.truncate(static_cast<std::size_t>(writeUpperCase(begin, source, lengthsKept) - begin));
    m_bytes.shrinkToFit();
    const LineOffsets& starts = lines.starts();
    if (lengthsKept) {
        m_sharedStarts = &starts;
        return;
    }
    m_ownStarts.reserve(starts.size());
    m_ownStarts.push_back(0);
    const char* const text = m_bytes.data();
    const char* const end = text + m_bytes.size();
    for (const char* p = text; p < end;) {
        const char* lineFeed = static_cast<const char*>(std::memchr(p, '\n', end - p));
        p = lineFeed + 1;
        m_ownStarts.push_back(static_cast<std::uint64_t>(p - text));
    }
}

SearchIndex::SearchIndex(IndexPtr snapshot)
    : m_snapshot(std::move(snapshot)), m_fileNames(m_snapshot->songs().fileNames()),
      m_folders(m_snapshot->folders()) {}

} // namespace liedspur
