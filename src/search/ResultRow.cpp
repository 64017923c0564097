#include "search/ResultRow.h"

namespace liedspur {

std::string ResultRow::songTarget() const {
    std::string target(folder());
    target += itemText();
    return target;
}

std::string ResultRow::folderTarget() const {
    const std::string_view path = folder();
    // Cutting the separator off the root would leave no target at all.
    if (path.size() <= 1)
        return std::string(path);
    return std::string(path.substr(0, path.size() - 1));
}

} // namespace liedspur
