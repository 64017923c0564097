#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace liedspur {

// Lines kept back to back in one buffer, without their line ends; line i (from 1) is
// bytes[starts[i-1], starts[i]). One allocation for the text, one for the offsets.
class LineTable {
public:
    LineTable() { m_starts.push_back(0); }

    std::size_t size() const { return m_starts.size() - 1; }
    bool empty() const { return size() == 0; }

    // Line number `line`, counting from 1.
    std::string_view line(std::size_t line) const {
        return std::string_view(m_bytes).substr(m_starts[line - 1],
                                                m_starts[line] - m_starts[line - 1]);
    }

    void reserve(std::size_t lines, std::size_t bytes);
    void appendText(std::string_view text) { m_bytes.append(text); }
    void endLine() { m_starts.push_back(m_bytes.size()); }
    void append(std::string_view line) {
        appendText(line);
        endLine();
    }
    // Bytes added since the last endLine(), the start of a line not yet ended.
    std::size_t pendingBytes() const { return m_bytes.size() - m_starts.back(); }
    void shrinkToFit();

    const std::string& bytes() const { return m_bytes; }
    std::size_t memoryUse() const {
        return m_bytes.capacity() + m_starts.capacity() * sizeof(std::uint64_t);
    }

private:
    std::string m_bytes;
    std::vector<std::uint64_t> m_starts;
};

} // namespace liedspur
