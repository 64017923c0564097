#include "LineReader.h"

#include "FileDescriptor.h"
#include "MemoryAdvice.h"
#include "SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace liedspur {

void LineTable::reserve(std::size_t lines, std::size_t bytes) {
    m_starts.reserve(lines + 1);
    m_bytes.reserve(bytes);
    adviseLargeBuffer(m_starts.data(), m_starts.capacity() * sizeof(std::uint64_t));
    adviseLargeBuffer(m_bytes.data(), m_bytes.capacity());
}

void LineTable::shrinkToFit() {
    // Only worth a copy when much was reserved for lines beyond the count.
    if (m_bytes.capacity() > m_bytes.size() + m_bytes.size() / 8 + 4096)
        m_bytes.shrink_to_fit();
    if (m_starts.capacity() > m_starts.size() + m_starts.size() / 8 + 512)
        m_starts.shrink_to_fit();
}

namespace {

constexpr std::size_t chunkSize = 1 << 20;
constexpr std::uint64_t allLines = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t linesPerYield = 4096;

// Splits a stream of chunks into lines, carrying a line and a CR across chunk borders.
class LineSplitter {
public:
    LineSplitter(LineTable& table, std::uint64_t wanted) : m_table(table), m_wanted(wanted) {}

    bool done() const { return m_table.size() >= m_wanted; }

    void feed(const char* data, std::size_t size) {
        const char* const end = data + size;
        const char* p = data;
        if (m_skipLineFeed && p < end) {
            if (*p == '\n')
                ++p;
            m_skipLineFeed = false;
        }
        const char* nextCr = nullptr;
        const char* nextLf = nullptr;
        while (p < end && !done()) {
            if (nextCr < p)
                nextCr = find(p, end, '\r');
            if (nextLf < p)
                nextLf = find(p, end, '\n');
            const char* lineEnd = std::min(nextCr, nextLf);
            m_table.appendText(std::string_view(p, lineEnd - p));
            if (lineEnd == end) {
                m_open = true;
                return;
            }
            m_table.endLine();
            m_open = false;
            p = lineEnd + 1;
            if (*lineEnd == '\r') {
                if (p < end) {
                    if (*p == '\n')
                        ++p;
                } else {
                    m_skipLineFeed = true;
                }
            }
        }
    }

    // A last line without a line end is read whole.
    void finish() {
        if (m_open && !done())
            m_table.endLine();
        m_open = false;
    }

private:
    static const char* find(const char* from, const char* end, char c) {
        const void* hit = std::memchr(from, c, end - from);
        return hit ? static_cast<const char*>(hit) : end;
    }

    LineTable& m_table;
    std::uint64_t m_wanted;
    bool m_open = false;
    bool m_skipLineFeed = false;
};

Result<LineTable> readLinesFrom(const std::string& path, std::uint64_t count, const Yield& yield) {
    const FileDescriptor fd = openRegularFile(path, O_RDONLY);
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return systemError(errno, fileNameOf(path));
    if (S_ISDIR(info.st_mode))
        return systemError(EISDIR, fileNameOf(path));

    LineTable table;
    // Never size by the count alone: a broken count must not reserve more than the file holds.
    const auto fileSize = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    constexpr std::uint64_t typicalLineBytes = 128;
    if (count != allLines) {
        const std::uint64_t lines = std::min(count, fileSize / 2 + 1);
        table.reserve(static_cast<std::size_t>(lines),
                      static_cast<std::size_t>(std::min(fileSize, lines * typicalLineBytes * 4)));
    } else {
        table.reserve(static_cast<std::size_t>(fileSize / typicalLineBytes + 1),
                      static_cast<std::size_t>(fileSize));
    }

    LineSplitter splitter(table, count);
    std::vector<char> chunk(chunkSize);
    std::size_t nextYield = linesPerYield;
    while (!splitter.done()) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, fileNameOf(path));
        }
        if (got == 0) {
            splitter.finish();
            break;
        }
        splitter.feed(chunk.data(), static_cast<std::size_t>(got));
        if (yield && table.size() >= nextYield) {
            yield();
            nextYield = table.size() + linesPerYield;
        }
    }
    if (count != allLines && table.size() < count)
        return Error{"Die Datei " + fileNameOf(path) + " hat weniger Zeilen als angegeben"};
    table.shrinkToFit();
    return table;
}

} // namespace

Result<LineTable> readLines(const std::string& path, std::uint64_t count, const Yield& yield) {
    return readLinesFrom(path, count, yield);
}

Result<LineTable> readAllLines(const std::string& path) {
    return readLinesFrom(path, allLines, {});
}

Result<std::string> readFirstLine(const std::string& path) {
    auto lines = readLinesFrom(path, 1, {});
    if (!lines)
        return lines.error();
    return std::string(lines.value().line(1));
}

} // namespace liedspur
