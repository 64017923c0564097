#pragma once

#include "search/ResultList.h"

#include <vector>

namespace liedspur::testing {

// A result list as plain rows and a selected position, without a window.
class FixedResultList : public ResultList {
public:
    std::size_t count() const override { return rows.size(); }
    std::optional<ResultRow> rowAt(std::size_t position) const override {
        if (position == 0 || position > rows.size())
            return std::nullopt;
        return rows[position - 1];
    }
    std::optional<ResultRow> selectedRow() const override {
        return selected ? rowAt(*selected) : std::nullopt;
    }

    std::vector<ResultRow> rows;
    // 1 for the first row; none when no row is selected.
    std::optional<std::size_t> selected;
};

} // namespace liedspur::testing
