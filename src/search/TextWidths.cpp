#include "search/TextWidths.h"

#include "base/Utf8.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>

namespace liedspur {

namespace {

// Half pixels: the widest texts are told apart, and a folder path of 4,096 bytes still fits.
constexpr double unitsPerPixel = 2;
constexpr std::size_t linesBetweenStopChecks = 4096;
constexpr std::size_t prefetchDistance = 32;
// Letters of the Latin, Greek and Cyrillic alphabets, two bytes in UTF-8, are looked up
// directly; the rest through a map.
constexpr char32_t directlyKnown = 0x800;

// A font's advances, each asked for once, and the widths of texts made of them.
class Advances {
public:
    explicit Advances(const TextWidths::Advance& advance) : m_advance(advance) {
        m_direct.fill(-1);
        for (char32_t c = 0; c < 0x80; ++c)
            m_direct[c] = static_cast<float>(advance(c));
    }

    // In half pixels, as the list shows the text: bytes that are not UTF-8 as U+FFFD.
    std::uint16_t width(std::string_view text) {
        float sum = 0;
        for (std::size_t i = 0; i < text.size();) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte < 0x80) {
                sum += m_direct[byte];
                ++i;
                continue;
            }
            char32_t c = 0;
            const std::size_t length = decodeUtf8(text.substr(i), c);
            sum += advance(length ? c : 0xFFFD);
            i += length ? length : 1;
        }
        const double units = std::ceil(double(sum) * unitsPerPixel);
        return static_cast<std::uint16_t>(
            std::min<double>(units, std::numeric_limits<std::uint16_t>::max()));
    }

    // Every line of `lines` to `store(line, width)`; false when `stop` was set on the way.
    template <typename Store>
    bool measureLines(const LineTable& lines, const std::atomic<bool>& stop, Store store) {
        for (std::size_t line = 1; line <= lines.size(); ++line) {
            if (line % linesBetweenStopChecks == 0 && stop.load(std::memory_order_relaxed))
                return false;
            store(line, width(lines.line(line)));
        }
        return true;
    }

private:
    float advance(char32_t c) {
        if (c < directlyKnown) {
            if (m_direct[c] < 0)
                m_direct[c] = static_cast<float>(m_advance(c));
            return m_direct[c];
        }
        const auto [known, added] = m_others.try_emplace(c, 0.0f);
        if (added)
            known->second = static_cast<float>(m_advance(c));
        return known->second;
    }

    const TextWidths::Advance& m_advance;
    std::array<float, directlyKnown> m_direct;
    std::unordered_map<char32_t, float> m_others;
};

// The widest rows offered, one more kept than measured, for nextWidth.
class WidestRows {
public:
    WidestRows() { m_kept.reserve(TextWidths::candidates + 1); }

    // Keeps the row if it is wider than floor().
    void offer(std::uint16_t width, std::size_t position) {
        if (m_kept.size() > TextWidths::candidates) {
            std::pop_heap(m_kept.begin(), m_kept.end(), wider);
            m_kept.pop_back();
        }
        m_kept.emplace_back(width, position);
        std::push_heap(m_kept.begin(), m_kept.end(), wider);
        if (m_kept.size() > TextWidths::candidates)
            m_floor = m_kept.front().first;
    }
    // What a row must be wider than to be kept: -1 until all places are taken.
    int floor() const { return m_floor; }

    TextWidths::Widest take() {
        std::sort(m_kept.begin(), m_kept.end(), wider);
        TextWidths::Widest widest;
        if (m_kept.size() > TextWidths::candidates) {
            widest.nextWidth = m_kept.back().first / unitsPerPixel;
            m_kept.pop_back();
        }
        for (const Entry& entry : m_kept)
            widest.positions.push_back(entry.second);
        return widest;
    }

private:
    using Entry = std::pair<std::uint16_t, std::size_t>; // width, position
    // Makes the heap's front the narrowest kept, and sorts the widest first.
    static bool wider(const Entry& a, const Entry& b) { return a.first > b.first; }

    std::vector<Entry> m_kept;
    int m_floor = -1;
};

} // namespace

std::string_view columnText(const ResultSet& rows, std::size_t position, TextColumn column) {
    const std::uint32_t number = rows.numbers[position - 1];
    const IndexSnapshot& snapshot = *rows.snapshot;
    if (rows.kind == RowKind::Folder)
        return column == TextColumn::Title ? folderRowText : snapshot.folder(number);
    return column == TextColumn::Title ? snapshot.fileName(number) : snapshot.folderPath(number);
}

std::vector<std::size_t> longestTexts(const ResultSet& rows, TextColumn column, std::size_t count) {
    using Entry = std::pair<std::size_t, std::size_t>; // length, position
    const auto longer = [](const Entry& a, const Entry& b) { return a.first > b.first; };
    // A heap whose front is the shortest kept.
    std::vector<Entry> longest;
    longest.reserve(count + 1);
    for (std::size_t position = 1; position <= rows.size() && count > 0; ++position) {
        const std::size_t length = columnText(rows, position, column).size();
        if (longest.size() == count) {
            if (length <= longest.front().first)
                continue;
            std::pop_heap(longest.begin(), longest.end(), longer);
            longest.pop_back();
        }
        longest.emplace_back(length, position);
        std::push_heap(longest.begin(), longest.end(), longer);
    }
    std::vector<std::size_t> positions;
    positions.reserve(longest.size());
    for (const Entry& entry : longest)
        positions.push_back(entry.second);
    return positions;
}

template <typename Number>
std::array<TextWidths::Widest, 2> TextWidths::widestOf(RowKind kind, std::size_t count,
                                                       Number number) const {
    WidestRows title, folder;
    // The rows of a result are spread over the table: their widths are fetched ahead, so
    // that the memory's latency overlaps.
    const auto fetchAhead = [&](std::size_t position, const auto* widths) {
        if (position + prefetchDistance <= count)
            __builtin_prefetch(widths + number(position + prefetchDistance) - 1);
    };
    // The floors in locals: most rows are compared and left.
    int titleFloor = title.floor(), folderFloor = folder.floor();
    int before = -1;
    for (std::size_t position = 1; position <= count; ++position) {
        int folderWidth = 0;
        if (kind == RowKind::Song) {
            fetchAhead(position, m_songs.data());
            const SongWidths widths = m_songs[number(position) - 1];
            if (widths.name > titleFloor) {
                title.offer(widths.name, position);
                titleFloor = title.floor();
            }
            folderWidth = widths.folder;
        } else {
            fetchAhead(position, m_folders.data());
            folderWidth = m_folders[number(position) - 1];
        }
        if (folderWidth > folderFloor && folderWidth != before) {
            folder.offer(static_cast<std::uint16_t>(folderWidth), position);
            folderFloor = folder.floor();
        }
        before = folderWidth;
    }
    // Every folder row has the same title.
    if (kind == RowKind::Folder && count > 0)
        title.offer(m_folderRowText, 1);
    return {title.take(), folder.take()};
}

std::optional<TextWidths> TextWidths::measure(const IndexPtr& snapshot, const Advance& advance,
                                              const std::atomic<bool>& stop) {
    Advances advances(advance);
    TextWidths widths;
    widths.m_snapshot = snapshot;
    widths.m_songTable = &snapshot->songs();
    widths.m_folderTable = &snapshot->folders();
    const SongTable& songs = *widths.m_songTable;
    SongWidths* const songWidths = widths.m_songs.extend(songs.size());
    std::uint16_t* const folderWidths = widths.m_folders.extend(widths.m_folderTable->size());
    // A folder of the song table is measured once for all its songs.
    RawArray<std::uint16_t> songFolders;
    std::uint16_t* const songFolderWidths = songFolders.extend(songs.folderLines().size());
    if (!advances.measureLines(songs.fileNames(), stop,
                               [songWidths](std::size_t line, std::uint16_t width) {
                                   songWidths[line - 1].name = width;
                               }) ||
        !advances.measureLines(songs.folderLines(), stop,
                               [songFolderWidths](std::size_t line, std::uint16_t width) {
                                   songFolderWidths[line - 1] = width;
                               }) ||
        !advances.measureLines(*widths.m_folderTable, stop,
                               [folderWidths](std::size_t line, std::uint16_t width) {
                                   folderWidths[line - 1] = width;
                               }))
        return std::nullopt;
    for (std::size_t row = 1; row <= songs.size(); ++row)
        songWidths[row - 1].folder = songFolderWidths[songs.folderLineOf(row) - 1];
    widths.m_folderRowText = advances.width(folderRowText);
    const auto all = [](std::size_t position) { return static_cast<std::uint32_t>(position); };
    widths.m_allSongs = widths.widestOf(RowKind::Song, songs.size(), all);
    widths.m_allFolders = widths.widestOf(RowKind::Folder, widths.m_folders.size(), all);
    return widths;
}

bool TextWidths::measured(const IndexPtr& snapshot) const {
    return snapshot && m_snapshot.lock() == snapshot;
}

bool TextWidths::covers(const ResultSet& rows) const {
    if (!rows.snapshot || m_snapshot.expired())
        return false;
    return rows.kind == RowKind::Song ? &rows.snapshot->songs() == m_songTable
                                      : &rows.snapshot->folders() == m_folderTable;
}

std::array<TextWidths::Widest, 2> TextWidths::widest(const ResultSet& rows) const {
    const bool songs = rows.kind == RowKind::Song;
    const std::size_t tableSize = songs ? m_songs.size() : m_folders.size();
    // Rows stand in ascending order, each once: as many as the table holds, ending with its
    // last, are all of them.
    if (rows.size() == tableSize && (tableSize == 0 || rows.numbers.back() == tableSize))
        return songs ? m_allSongs : m_allFolders;
    return widestOf(rows.kind, rows.size(),
                    [&rows](std::size_t position) { return rows.numbers[position - 1]; });
}

double TextWidths::width(const ResultSet& rows, std::size_t position, TextColumn column) const {
    const std::uint32_t number = rows.numbers[position - 1];
    std::uint16_t units = 0;
    if (rows.kind == RowKind::Folder)
        units = column == TextColumn::Title ? m_folderRowText : m_folders[number - 1];
    else
        units = column == TextColumn::Title ? m_songs[number - 1].name : m_songs[number - 1].folder;
    return units / unitsPerPixel;
}

} // namespace liedspur
