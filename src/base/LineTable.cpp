#include "base/LineTable.h"

namespace liedspur {

void LineTable::reserve(std::size_t lines, std::size_t bytes) {
    m_starts.reserve(lines + 1);
    m_bytes.reserve(bytes);
}

void LineTable::shrinkToFit() {
    m_bytes.shrinkToFit();
    m_starts.shrinkToFit();
}

} // namespace liedspur
