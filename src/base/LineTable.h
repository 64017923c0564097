#pragma once

#include "base/LineOffsets.h"
#include "base/RawArray.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace liedspur {

// Lines kept back to back in one buffer, each followed by '\n' whatever it holds; line i
// (from 1) is bytes[starts[i-1], starts[i] - 1). One allocation for the text, one for the
// offsets.
class LineTable {
public:
    LineTable() { m_starts.push_back(0); }

    std::size_t size() const { return m_starts.size() - 1; }
    bool empty() const { return size() == 0; }

    // Line number `line`, counting from 1.
    std::string_view line(std::size_t line) const {
        const std::uint64_t start = m_starts[line - 1];
        return {m_bytes.data() + start, static_cast<std::size_t>(m_starts[line] - 1 - start)};
    }

    void reserve(std::size_t lines, std::size_t bytes);
    void append(std::string_view line) {
        if (!line.empty())
            std::memcpy(m_bytes.extend(line.size()), line.data(), line.size());
        m_bytes.push_back('\n');
        m_starts.push_back(m_bytes.size());
    }
    void shrinkToFit();

    // Every line with its '\n'.
    std::string_view bytes() const { return {m_bytes.data(), m_bytes.size()}; }
    // Where each line starts, and after them the end of the text.
    const LineOffsets& starts() const { return m_starts; }

private:
    RawArray<char> m_bytes;
    LineOffsets m_starts;
};

} // namespace liedspur
