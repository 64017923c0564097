#pragma once

#include "search/ResultRow.h"

#include <cstddef>
#include <optional>

namespace liedspur {

// What the player commands need of the result list: its rows by position and the
// selected row.
class ResultList {
public:
    virtual ~ResultList() = default;

    virtual std::size_t count() const = 0;
    // The row at `position`, 1 being the first; none past the end.
    virtual std::optional<ResultRow> rowAt(std::size_t position) const = 0;
    // None when no row is selected.
    virtual std::optional<ResultRow> selectedRow() const = 0;
};

} // namespace liedspur
