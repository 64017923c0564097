#pragma once

#include <string>
#include <string_view>

namespace liedspur {

// Appends the upper-case form of `text`: each UTF-8 character through its one-to-one
// upper case (ä → Ä; ß, which has none, stays), bytes that are not valid UTF-8 as they are.
void appendUpperCase(std::string& out, std::string_view text);
std::string toUpperCase(std::string_view text);

// The same into raw room, which must hold maxUpperCaseBytes(text.size()) bytes; returns
// the end of what was written.
char* writeUpperCase(char* out, std::string_view text);
// The same, clearing `lengthsKept` when a character's upper case takes more or fewer bytes.
char* writeUpperCase(char* out, std::string_view text, bool& lengthsKept);

// No upper case takes more than three bytes for a two-byte letter.
constexpr std::size_t maxUpperCaseBytes(std::size_t bytes) {
    return bytes + bytes / 2 + 1;
}

} // namespace liedspur
