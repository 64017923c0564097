#pragma once

#include "base/RawArray.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace liedspur {

// Ascending byte offsets into a text, four bytes each while they stay below 4 GiB, as
// nearly every list does, and eight bytes each from the first one that does not.
class LineOffsets {
public:
    std::size_t size() const { return m_wide ? m_wideValues.size() : m_narrow.size(); }
    std::uint64_t operator[](std::size_t i) const { return m_wide ? m_wideValues[i] : m_narrow[i]; }
    std::uint64_t back() const { return (*this)[size() - 1]; }

    void push_back(std::uint64_t offset) {
        if (!m_wide) {
            if (offset <= std::numeric_limits<std::uint32_t>::max()) {
                m_narrow.push_back(static_cast<std::uint32_t>(offset));
                return;
            }
            widen();
        }
        m_wideValues.push_back(offset);
    }
    void reserve(std::size_t count) {
        if (m_wide)
            m_wideValues.reserve(count);
        else
            m_narrow.reserve(count);
    }
    void shrinkToFit() {
        m_narrow.shrinkToFit();
        m_wideValues.shrinkToFit();
    }
    // The last i from `from` on with (*this)[i] <= offset; (*this)[from] must be <= offset.
    std::size_t lastAtOrBelow(std::uint64_t offset, std::size_t from) const;

    bool wide() const { return m_wide; }

private:
    void widen();

    bool m_wide = false;
    RawArray<std::uint32_t> m_narrow;
    RawArray<std::uint64_t> m_wideValues;
};

} // namespace liedspur
