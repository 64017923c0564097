#include "LineReader.h"

#include "FileDescriptor.h"
#include "SystemError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace liedspur {

namespace {

constexpr std::size_t chunkSize = 1 << 20;
constexpr std::uint64_t allLines = std::numeric_limits<std::uint64_t>::max();

// The first CR or LF in [from, end), or `end`. Lines are short, so this runs once a line.
const char* findLineEnd(const char* from, const char* end) {
#if defined(__SSE2__)
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; end - from >= 16; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, carriageReturn), _mm_cmpeq_epi8(block, lineFeed)));
        if (found != 0)
            return from + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    for (; from < end; ++from) {
        if (*from == '\r' || *from == '\n')
            return from;
    }
    return end;
}

// Splits a stream of chunks into lines for `Table`, carrying a line and a CR across chunk
// borders. Each whole line is handed over while its chunk is still in the cache.
template <typename Table> class LineSplitter {
public:
    LineSplitter(Table& table, std::uint64_t wanted) : m_table(table), m_wanted(wanted) {}

    bool done() const { return m_lines >= m_wanted; }

    void feed(const char* data, std::size_t size) {
        const char* const end = data + size;
        const char* p = data;
        if (m_skipLineFeed && p < end) {
            if (*p == '\n')
                ++p;
            m_skipLineFeed = false;
        }
        while (p < end && !done()) {
            const char* lineEnd = findLineEnd(p, end);
            if (lineEnd == end) {
                m_carried.append(p, static_cast<std::size_t>(end - p));
                m_open = true;
                return;
            }
            if (m_open) {
                m_carried.append(p, static_cast<std::size_t>(lineEnd - p));
                addCarried();
            } else {
                add(std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
            }
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
            addCarried();
    }

private:
    void add(std::string_view line) {
        m_table.append(line);
        ++m_lines;
    }
    void addCarried() {
        add(m_carried);
        m_carried.clear();
        m_open = false;
    }

    Table& m_table;
    std::uint64_t m_wanted;
    std::uint64_t m_lines = 0;
    std::string m_carried;
    bool m_open = false;
    bool m_skipLineFeed = false;
};

template <typename Table>
Result<Table> readLinesFrom(const std::string& path, std::uint64_t count, const Yield& yield) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return systemError(errno, fileNameOf(path));
    if (S_ISDIR(info.st_mode))
        return systemError(EISDIR, fileNameOf(path));

    Table table;
    // Never size by the count alone: a broken count must not reserve more than the file holds.
    // Room reserved and not used is never touched and costs no memory.
    const auto fileSize = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    constexpr std::uint64_t typicalLineBytes = 64;
    const std::uint64_t lines =
        count != allLines ? std::min(count, fileSize / 2 + 1) : fileSize / typicalLineBytes + 1;
    table.reserve(static_cast<std::size_t>(lines), static_cast<std::size_t>(fileSize + 1));

    LineSplitter<Table> splitter(table, count);
    std::vector<char> chunk(chunkSize);
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
        if (yield)
            yield();
    }
    if (count != allLines && table.size() < count)
        return Error{"Die Datei " + fileNameOf(path) + " hat weniger Zeilen als angegeben"};
    table.shrinkToFit();
    return table;
}

} // namespace

Result<LineTable> readLines(const std::string& path, std::uint64_t count, const Yield& yield) {
    return readLinesFrom<LineTable>(path, count, yield);
}

Result<SongTable> readSongLines(const std::string& path, std::uint64_t count, const Yield& yield) {
    return readLinesFrom<SongTable>(path, count, yield);
}

Result<LineTable> readAllLines(const std::string& path) {
    return readLinesFrom<LineTable>(path, allLines, {});
}

Result<std::string> readFirstLine(const std::string& path) {
    auto lines = readLinesFrom<LineTable>(path, 1, {});
    if (!lines)
        return lines.error();
    return std::string(lines.value().line(1));
}

} // namespace liedspur
