#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace liedspur {

// The number a count line spells: digits with any blanks around them. Anything else
// (empty, a sign, letters, more than 64 bits) is no count.
std::optional<std::uint64_t> parseCountLine(std::string_view line);

// A count in the program's number format, one blank each side, without the line end.
std::string formatCountLine(std::uint64_t count);

} // namespace liedspur
