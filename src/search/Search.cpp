#include "search/Search.h"

#include "base/CaseFold.h"
#include "base/LineSplitter.h"

#include <cstring>
#include <numeric>

namespace liedspur {

namespace {

// The rows (from 1) whose text holds `pattern`, each once however often it occurs.
std::vector<std::uint32_t> matchingRows(const SearchIndex::Texts& texts, std::string_view pattern) {
    std::vector<std::uint32_t> rows;
    // A line holds no line end, so such a pattern could only match across two rows.
    if (pattern.empty() || holdsLineEnd(pattern))
        return rows;
    const std::string_view bytes = texts.bytes();
    const LineOffsets& starts = texts.starts();
    const std::size_t rowCount = texts.size();
    std::size_t from = 0;
    std::size_t row = 0; // 0-based: the row that holds `from`
    while (from < bytes.size()) {
        const void* hit =
            ::memmem(bytes.data() + from, bytes.size() - from, pattern.data(), pattern.size());
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data());
        row = starts.lastAtOrBelow(at, row);
        rows.push_back(static_cast<std::uint32_t>(row + 1));
        if (row + 1 >= rowCount)
            break;
        from = starts[++row];
    }
    return rows;
}

ResultSet allRows(const IndexPtr& snapshot, RowKind kind, std::size_t count) {
    ResultSet result{snapshot, kind, std::vector<std::uint32_t>(count)};
    std::iota(result.numbers.begin(), result.numbers.end(), 1u);
    return result;
}

} // namespace

std::string prepareSearchTerm(std::string_view text, bool exact) {
    if (!exact)
        return std::string(text);
    std::string term;
    term.reserve(text.size() + 2);
    term += ' ';
    term += text;
    term += ' ';
    return term;
}

bool isBlankSearchText(std::string_view text) {
    return text.empty() || text == " ";
}

ResultSet searchSongs(const SearchIndex& index, std::string_view searchTerm) {
    return {index.snapshot()->songsOnly(), RowKind::Song,
            matchingRows(index.fileNames(), toUpperCase(searchTerm))};
}

ResultSet searchFolders(const SearchIndex& index, std::string_view searchTerm) {
    return {index.snapshot()->foldersOnly(), RowKind::Folder,
            matchingRows(index.folders(), toUpperCase(searchTerm))};
}

ResultSet listAllSongs(const IndexPtr& snapshot) {
    return allRows(snapshot->songsOnly(), RowKind::Song, snapshot->songCount());
}

ResultSet listAllFolders(const IndexPtr& snapshot) {
    return allRows(snapshot->foldersOnly(), RowKind::Folder, snapshot->folderCount());
}

} // namespace liedspur
