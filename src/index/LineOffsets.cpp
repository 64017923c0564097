#include "LineOffsets.h"

namespace liedspur {

void LineOffsets::widen() {
    m_wideValues.reserve(m_narrow.capacity());
    for (std::size_t i = 0; i < m_narrow.size(); ++i)
        m_wideValues.push_back(m_narrow[i]);
    m_narrow = RawArray<std::uint32_t>();
    m_wide = true;
}

std::size_t LineOffsets::lastAtOrBelow(std::uint64_t offset, std::size_t from) const {
    // Mostly the next hit lies in the same or the next line: look there before searching.
    std::size_t low = from;
    std::size_t high = size();
    if (low + 1 >= high || (*this)[low + 1] > offset)
        return low;
    ++low;
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
