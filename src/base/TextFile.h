#pragma once

#include "base/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace liedspur {

// Replaces the file at `path` with `content` through a temporary file in the same
// directory and a rename, so that readers see the old file or the new one, never a part.
// On failure the old file is untouched and the temporary file is gone.
Status writeFileAtomically(const std::string& path, std::string_view content);

// The first line of the regular file at `path`, read as the list files are read (it ends
// at CR, LF or the end of the file). Reads at most `maxLineBytes` + 1 bytes: a longer line,
// like a file without any line, fails.
Result<std::string> readShortFirstLine(const std::string& path, std::size_t maxLineBytes);

} // namespace liedspur
