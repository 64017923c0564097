#pragma once

#include "base/RawArray.h"
#include "index/IndexSnapshot.h"
#include "search/ResultSet.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace liedspur {

// The two columns of the result list whose widths follow their texts.
enum class TextColumn { Title, Folder };

// The text of row `position` (from 1) in `column`, read in place.
std::string_view columnText(const ResultSet& rows, std::size_t position, TextColumn column);

// The rows (positions from 1) whose texts in `column` are the longest in bytes, at most
// `count` of them.
std::vector<std::size_t> longestTexts(const ResultSet& rows, TextColumn column, std::size_t count);

// The display width of every text the result list can show for one index: the sum of its
// characters' advances in the list's font, in half pixels, 2 bytes a text (a song has two,
// its name and its folder, side by side). Kerning is left out, so that a fit measures the few
// widest texts of a result exactly.
class TextWidths {
public:
    // A character's advance, in pixels.
    using Advance = std::function<double(char32_t)>;
    // How many of the widest rows of a column a fit measures exactly.
    static constexpr std::size_t candidates = 16;

    // Every file name, song folder and folder of `snapshot`; nothing when `stop` is set on
    // the way.
    static std::optional<TextWidths> measure(const IndexPtr& snapshot, const Advance& advance,
                                             const std::atomic<bool>& stop);

    // Whether these are the widths of `snapshot`, or of the index `rows` come from; never once
    // that index has gone.
    bool measured(const IndexPtr& snapshot) const;
    bool covers(const ResultSet& rows) const;

    struct Widest {
        // At most `candidates` rows, the widest first; of rows side by side with the same
        // width, as the songs of one folder have in the folder column, only the first.
        std::vector<std::size_t> positions;
        // The width of the widest row left out, in pixels; 0 when none was.
        double nextWidth = 0;
    };
    // The rows of `rows`, which these widths cover, widest in the title and in the folder
    // column, in one pass.
    std::array<Widest, 2> widest(const ResultSet& rows) const;
    // The width of one row's text, in pixels.
    double width(const ResultSet& rows, std::size_t position, TextColumn column) const;

    struct SongWidths {
        std::uint16_t name;
        std::uint16_t folder;
    };

private:
    // Over the rows `number(1)` to `number(count)`.
    template <typename Number>
    std::array<Widest, 2> widestOf(RowKind kind, std::size_t count, Number number) const;

    std::weak_ptr<const IndexSnapshot> m_snapshot;
    const SongTable* m_songTable = nullptr;
    const LineTable* m_folderTable = nullptr;
    RawArray<SongWidths> m_songs;      // by song row
    RawArray<std::uint16_t> m_folders; // by folder row
    std::uint16_t m_folderRowText = 0;
    // The widest of the full listings, found once: a listing of ten million rows is fitted at
    // once.
    std::array<Widest, 2> m_allSongs;
    std::array<Widest, 2> m_allFolders;
};

} // namespace liedspur
