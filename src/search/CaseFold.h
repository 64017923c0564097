#pragma once

#include <string>
#include <string_view>

namespace liedspur {

// Appends the upper-case form of `text`: each UTF-8 character through its one-to-one
// upper case (ä → Ä; ß, which has none, stays), bytes that are not valid UTF-8 as they are.
void appendUpperCase(std::string& out, std::string_view text);

std::string toUpperCase(std::string_view text);

} // namespace liedspur
