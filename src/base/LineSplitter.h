#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace liedspur {

// Whether `text` holds a CR or an LF, and so cannot stand as one line.
inline bool holdsLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The first CR or LF in [from, end), or `end`.
inline const char* firstLineEnd(const char* from, const char* end) {
    while (from < end && *from != '\r' && *from != '\n')
        ++from;
    return from;
}

// The line rule of every text file the program reads: a line ends at CR (an LF right after
// it belongs to the same line end), at LF, or at the end of the file, and its text holds
// neither. The bytes come in chunks as they are read; lines and CR LF pairs run across
// chunk borders. Stops after `wanted` lines, or at the first line longer than
// `maxLineBytes`: what it carries of a line stays within that, whatever the file holds.
// `Sink` takes the lines:
//   const char* findLineEnd(const char* from, const char* end, bool lineStart)
//       the first CR or LF in [from, end), or `end`; `lineStart` is false where `from`
//       goes on with a line begun in an earlier chunk
//   void addLine(std::string_view line)         the line the last findLineEnd found whole
//   void addCarriedLine(std::string_view line)  a line that ran across chunk borders
template <typename Sink> class LineSplitter {
public:
    LineSplitter(Sink& sink, std::uint64_t wanted, std::size_t maxLineBytes)
        : m_sink(sink), m_wanted(wanted), m_maxLineBytes(maxLineBytes) {}

    std::uint64_t lines() const { return m_lines; }
    // The wanted lines are all read, with the line end of the last one, or a line too long
    // was met.
    bool done() const { return (m_lines >= m_wanted && !m_afterCr) || m_tooLong; }
    // A line longer than the limit was met; the lines after it are not read.
    bool tooLong() const { return m_tooLong; }
    // How many bytes the lines read take, their line ends included.
    std::uint64_t bytesUsed() const { return m_used; }
    // Whether the last line read ended at the end of the file, without a line end.
    bool lastLineUnended() const { return m_unended; }

    void feed(const char* data, std::size_t size) {
        const char* const end = data + size;
        const char* p = data;
        if (m_afterCr && p < end) {
            if (*p == '\n')
                ++p;
            m_afterCr = false;
            m_used = m_fed + static_cast<std::uint64_t>(p - data);
        }
        while (p < end && m_lines < m_wanted && !m_tooLong) {
            const char* const lineEnd = m_sink.findLineEnd(p, end, !m_open);
            const auto length = static_cast<std::size_t>(lineEnd - p);
            if (length > m_maxLineBytes - m_carried.size()) {
                m_tooLong = true;
                break;
            }
            if (lineEnd == end) {
                m_carried.append(p, length);
                m_open = true;
                break;
            }
            const std::string_view line(p, length);
            if (m_open) {
                m_carried += line;
                addCarried();
            } else {
                m_sink.addLine(line);
                ++m_lines;
            }
            p = lineEnd + 1;
            if (*lineEnd == '\r') {
                if (p < end) {
                    if (*p == '\n')
                        ++p;
                } else {
                    m_afterCr = true;
                }
            }
            m_used = m_fed + static_cast<std::uint64_t>(p - data);
        }
        m_fed += size;
    }

    // The end of the file: a last line without a line end counts whole.
    void finish() {
        m_afterCr = false;
        if (!m_open || m_lines >= m_wanted || m_tooLong)
            return;
        addCarried();
        m_unended = true;
        m_used = m_fed;
    }

private:
    void addCarried() {
        m_sink.addCarriedLine(m_carried);
        ++m_lines;
        m_carried.clear();
        m_open = false;
    }

    Sink& m_sink;
    std::uint64_t m_wanted;
    std::size_t m_maxLineBytes;
    std::uint64_t m_lines = 0;
    std::uint64_t m_fed = 0;
    std::uint64_t m_used = 0;
    std::string m_carried;
    bool m_open = false;    // m_carried holds the start of a line
    bool m_afterCr = false; // the last chunk ended with a CR; an LF may follow
    bool m_unended = false;
    bool m_tooLong = false;
};

} // namespace liedspur
