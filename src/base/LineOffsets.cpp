#include "base/LineOffsets.h"

#include <algorithm>

namespace liedspur {

void LineOffsets::widen() {
    m_wideValues.reserve(m_narrow.capacity());
    for (std::size_t i = 0; i < m_narrow.size(); ++i)
        m_wideValues.push_back(m_narrow[i]);
    m_narrow = RawArray<std::uint32_t>();
    m_wide = true;
}

std::size_t LineOffsets::lastAtOrBelow(std::uint64_t offset, std::size_t from) const {
    // Hits mostly lie near the line before: gallop forward from there, then halve.
    std::size_t low = from;
    std::size_t step = 1;
    std::size_t high = low + step;
    while (high < size() && (*this)[high] <= offset) {
        low = high;
        step *= 2;
        high = low + step;
    }
    high = std::min(high, size());
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle] <= offset)
            low = middle;
        else
            high = middle;
    }
    return low;
}

} // namespace liedspur
