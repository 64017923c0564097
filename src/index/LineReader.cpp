#include "index/LineReader.h"

#include "base/FileDescriptor.h"
#include "base/LineSplitter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace liedspur {

namespace {

constexpr std::size_t chunkSize = 1 << 20;

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
const FindLineEnd findLineEndAndSlash = [] {
#if defined(__x86_64__)
    // Run among the static initializers, which may come before the compiler's own.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return &findLineEndWide;
#endif
    return &findLineEndNarrow;
}();

// Takes the lines of a list into a LineTable.
class PlainLines {
public:
    explicit PlainLines(LineTable& table) : m_table(table) {}

    const char* findLineEnd(const char* from, const char* end, bool) {
        return findLineEndAndSlash(from, end).end;
    }
    void addLine(std::string_view line) { m_table.append(line); }
    void addCarriedLine(std::string_view line) { m_table.append(line); }

private:
    LineTable& m_table;
};

// Takes the lines of a list of path lines into a SongTable, each whole line handed over
// while its chunk is still in the cache.
class PathLines {
public:
    explicit PathLines(SongTable& table) : m_table(table) {}

    const char* findLineEnd(const char* from, const char* end, bool lineStart) {
        m_known = lineStart ? knownFolder(from, end) : 0;
        const LineEnd found = findLineEndAndSlash(from + m_known, end);
        m_lastSlash = found.lastSlash;
        return found.end;
    }
    void addLine(std::string_view line) {
        if (m_known > 0 && !m_lastSlash)
            m_table.appendToLastFolder(line.substr(m_known));
        else
            m_table.append(
                line, m_lastSlash ? static_cast<std::size_t>(m_lastSlash - line.data()) + 1 : 0);
    }
    void addCarriedLine(std::string_view line) { m_table.append(line); }

private:
    // Songs of one folder stand together: a line that starts with the folder of the line
    // before needs only its name looked through. The length of that folder, else 0.
    std::size_t knownFolder(const char* p, const char* end) const {
        const std::string_view folder = m_table.lastFolder();
        if (!folder.empty() && static_cast<std::size_t>(end - p) > folder.size() &&
            std::memcmp(p, folder.data(), folder.size()) == 0)
            return folder.size();
        return 0;
    }

    SongTable& m_table;
    std::size_t m_known = 0;
    const char* m_lastSlash = nullptr;
};

template <typename Table> struct LinesOf;
template <> struct LinesOf<LineTable> { using Sink = PlainLines; };
template <> struct LinesOf<SongTable> { using Sink = PathLines; };

// Sizes the table ahead from what was really read, never from the count or the file's size
// alone (a sparse file is huge without a byte behind it): room for twice the bytes read, at
// least for a block large enough that the system maps it and grows it without a copy, and
// for the lines those bytes hold at the rate of those read. Up to where it reserved.
template <typename Table>
std::uint64_t reserveAhead(Table& table, std::uint64_t linesLeft, std::uint64_t linesRead,
                           std::uint64_t read, std::uint64_t fileSize) {
    constexpr std::uint64_t mappedBlock = 64 << 20;
    // A file that grew while read is larger than it said.
    const std::uint64_t bytes = std::max(read, std::min(fileSize, std::max(2 * read, mappedBlock)));
    const double rate = static_cast<double>(linesRead + 1) / static_cast<double>(read);
    const auto expected =
        static_cast<std::uint64_t>(rate * static_cast<double>(bytes - read) * 1.25);
    const std::uint64_t lines = linesRead + std::min(linesLeft, expected + 1024);
    table.reserve(static_cast<std::size_t>(lines), static_cast<std::size_t>(bytes));
    return bytes;
}

template <typename Table>
Result<Table> readLinesFrom(const std::string& path, std::uint64_t count, const Yield& yield) {
    const Result<FileDescriptor> opened = openRegularFile(path, O_RDONLY);
    if (!opened)
        return opened.error();
    const FileDescriptor& fd = opened.value();
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return fd.error(errno);

    // Every line takes a byte at least, its line end or a character.
    const auto fileSize = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    if (count > fileSize)
        return shortListError(fd.name());

    Table table;
    typename LinesOf<Table>::Sink sink(table);
    LineSplitter splitter(sink, count, maxListLineBytes);
    std::vector<char> chunk(chunkSize);
    std::uint64_t read = 0;
    std::uint64_t reserved = 0;
    while (!splitter.done()) {
        const Result<std::size_t> got = readSome(fd, chunk.data(), chunk.size());
        if (!got)
            return got.error();
        if (got.value() == 0) {
            splitter.finish();
            break;
        }
        splitter.feed(chunk.data(), got.value());
        read += got.value();
        if (read >= reserved && !splitter.done())
            reserved =
                reserveAhead(table, count - splitter.lines(), splitter.lines(), read, fileSize);
        if (yield)
            yield();
    }
    if (splitter.tooLong())
        return lineTooLongError(fd.name());
    if (splitter.lines() < count)
        return shortListError(fd.name());
    table.shrinkToFit();
    return table;
}

} // namespace

Error shortListError(std::string_view fileName) {
    return Error{"Die Datei " + std::string(fileName) + " hat weniger Zeilen als angegeben"};
}

Error lineTooLongError(std::string_view fileName) {
    return Error{"Die Datei " + std::string(fileName) +
                 " hat eine Zeile, die länger als jeder Pfad ist"};
}

Result<LineTable> readLines(const std::string& path, std::uint64_t count, const Yield& yield) {
    return readLinesFrom<LineTable>(path, count, yield);
}

Result<SongTable> readSongLines(const std::string& path, std::uint64_t count, const Yield& yield) {
    return readLinesFrom<SongTable>(path, count, yield);
}

} // namespace liedspur
