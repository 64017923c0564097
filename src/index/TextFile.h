#pragma once

#include "Result.h"

#include <string>
#include <string_view>

namespace liedspur {

// Replaces the file at `path` with `content` through a temporary file in the same
// directory and a rename, so that readers see the old file or the new one, never a part.
// On failure the old file is untouched and the temporary file is gone.
Status writeFileAtomically(const std::string& path, std::string_view content);

} // namespace liedspur
