#include "index/LineReader.h"

#include "base/FileDescriptor.h"
#include "base/SystemError.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace liedspur {

namespace {

constexpr std::size_t chunkSize = 1 << 20;
constexpr std::uint64_t allLines = std::numeric_limits<std::uint64_t>::max();

// Where a line ends, and the last "/" before that, which splits a path line.
struct LineEnd {
    const char* end;       // the first CR or LF, or the end of the bytes given
    const char* lastSlash; // null when there is none
};

// The last bytes of a line, one at a time.
inline LineEnd finishLineEnd(const char* from, const char* end, const char* lastSlash) {
    for (; from < end; ++from) {
        if (*from == '\r' || *from == '\n')
            return {from, lastSlash};
        if (*from == '/')
            lastSlash = from;
    }
    return {end, lastSlash};
}

#if defined(__x86_64__)
// The same with 32 bytes a step, where the processor has AVX2.
__attribute__((target("avx2"))) LineEnd findLineEndWide(const char* from, const char* end) {
    const char* lastSlash = nullptr;
    const __m256i carriageReturn = _mm256_set1_epi8('\r');
    const __m256i lineFeed = _mm256_set1_epi8('\n');
    const __m256i slash = _mm256_set1_epi8('/');
    for (; end - from >= 32; from += 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
        const auto lineEnds = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(
            _mm256_cmpeq_epi8(block, carriageReturn), _mm256_cmpeq_epi8(block, lineFeed))));
        auto slashes =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, slash)));
        if (lineEnds != 0) {
            const int at = std::countr_zero(lineEnds);
            slashes &= (std::uint32_t{1} << at) - 1;
            if (slashes != 0)
                lastSlash = from + (31 - std::countl_zero(slashes));
            return {from + at, lastSlash};
        }
        if (slashes != 0)
            lastSlash = from + (31 - std::countl_zero(slashes));
    }
    return finishLineEnd(from, end, lastSlash);
}
#endif

// Runs once a line over bytes just read: finding the end and the last "/" in one pass.
LineEnd findLineEndNarrow(const char* from, const char* end) {
    const char* lastSlash = nullptr;
#if defined(__SSE2__)
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i slash = _mm_set1_epi8('/');
    for (; end - from >= 16; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const auto lineEnds = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, carriageReturn), _mm_cmpeq_epi8(block, lineFeed))));
        auto slashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, slash)));
        if (lineEnds != 0) {
            const int at = std::countr_zero(lineEnds);
            slashes &= (1u << at) - 1;
            if (slashes != 0)
                lastSlash = from + (31 - std::countl_zero(slashes));
            return {from + at, lastSlash};
        }
        if (slashes != 0)
            lastSlash = from + (31 - std::countl_zero(slashes));
    }
#endif
    return finishLineEnd(from, end, lastSlash);
}

using FindLineEnd = LineEnd (*)(const char*, const char*);
const FindLineEnd findLineEnd = [] {
#if defined(__x86_64__)
    // Run among the static initializers, which may come before the compiler's own.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return &findLineEndWide;
#endif
    return &findLineEndNarrow;
}();

void addLine(LineTable& table, std::string_view line, std::size_t) {
    table.append(line);
}
void addLine(SongTable& table, std::string_view line, std::size_t nameOffset) {
    table.append(line, nameOffset);
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
            const std::size_t known = m_open ? 0 : knownFolder(p, end);
            const auto [lineEnd, lastSlash] = findLineEnd(p + known, end);
            if (lineEnd == end) {
                m_carried.append(p, static_cast<std::size_t>(end - p));
                m_open = true;
                return;
            }
            const std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
            if (m_open) {
                m_carried += line;
                addCarried();
            } else if (known > 0 && !lastSlash) {
                if constexpr (std::is_same_v<Table, SongTable>)
                    m_table.appendToLastFolder(line.substr(known));
                ++m_lines;
            } else {
                add(line, lastSlash ? static_cast<std::size_t>(lastSlash - p) + 1 : 0);
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
    // Songs of one folder stand together: a line that starts with the folder of the line
    // before needs only its name looked through. The length of that folder, else 0.
    std::size_t knownFolder(const char* p, const char* end) const {
        if constexpr (std::is_same_v<Table, SongTable>) {
            const std::string_view folder = m_table.lastFolder();
            if (!folder.empty() && static_cast<std::size_t>(end - p) > folder.size() &&
                std::memcmp(p, folder.data(), folder.size()) == 0)
                return folder.size();
        }
        return 0;
    }
    void add(std::string_view line, std::size_t nameOffset) {
        addLine(m_table, line, nameOffset);
        ++m_lines;
    }
    void addCarried() {
        add(m_carried, fileNameOffset(m_carried));
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
    const FileDescriptor fd = openRegularFile(path, O_RDONLY);
    if (!fd.valid())
        return systemError(errno, fileNameOf(path));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return systemError(errno, fileNameOf(path));
    if (S_ISDIR(info.st_mode))
        return systemError(EISDIR, fileNameOf(path));

    Table table;
    // Never size by the count alone: a broken count must not reserve more than the file holds,
    // nor a small count the whole of a huge file. Room reserved and not used is never touched
    // and costs no memory.
    const auto fileSize = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    constexpr std::uint64_t typicalLineBytes = 128;
    const std::uint64_t lines =
        count != allLines ? std::min(count, fileSize / 2 + 1) : fileSize / typicalLineBytes + 1;
    table.reserve(static_cast<std::size_t>(lines),
                  static_cast<std::size_t>(std::min(fileSize + 1, lines * typicalLineBytes * 4)));

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
