#pragma once

#include "search/ResultRow.h"

#include <cstdint>
#include <vector>

namespace liedspur {

// Rows of one kind from one snapshot, as a search or a listing makes them: the row
// numbers only, so that a million rows are one vector, not a million objects.
struct ResultSet {
    IndexPtr snapshot;
    RowKind kind = RowKind::Song;
    std::vector<std::uint32_t> numbers;

    std::size_t size() const { return numbers.size(); }
    ResultRow row(std::size_t position) const { return {snapshot, kind, numbers[position - 1]}; }
};

} // namespace liedspur
