#pragma once

#include <string_view>

namespace liedspur {

// Whether a file of this name or path is a song: it ends in ".mp3", in exactly this
// lower-case form.
constexpr bool isSongName(std::string_view name) {
    return name.ends_with(".mp3");
}

} // namespace liedspur
