#pragma once

#include "search/ResultSet.h"
#include "search/SearchIndex.h"

#include <string>
#include <string_view>

namespace liedspur {

// SearchTerm: the text as typed, with one blank at each end for an exact search.
std::string prepareSearchTerm(std::string_view text, bool exact);

// "" and " " start no search at all.
bool isBlankSearchText(std::string_view text);

// Every song whose file name holds the term, letter case ignored, in index order.
ResultSet searchSongs(const SearchIndex& index, std::string_view searchTerm);

// Every folder whose path holds the term, letter case ignored, in index order.
ResultSet searchFolders(const SearchIndex& index, std::string_view searchTerm);

// The whole index as song rows or as folder rows.
ResultSet listAllSongs(const IndexPtr& snapshot);
ResultSet listAllFolders(const IndexPtr& snapshot);

} // namespace liedspur
