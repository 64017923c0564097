#pragma once

#include "base/LineTable.h"

#include <cstddef>
#include <vector>

namespace liedspur {

// The order in which the file system of the original platform lists a folder: names
// compared after the program's upper-case mapping, then as bytes. Gives the line numbers
// (from 1) of `names` in that order.
std::vector<std::size_t> nameOrder(const LineTable& names);

} // namespace liedspur
