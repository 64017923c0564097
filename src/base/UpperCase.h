#pragma once

namespace liedspur {

// The program's upper case of one character: Unicode's simple one-to-one mapping (ä → Ä),
// the character itself where it has none (ß). Needs no Qt, so that the player adapter
// orders names exactly as the program does.
char32_t simpleUpperCase(char32_t c);

} // namespace liedspur
