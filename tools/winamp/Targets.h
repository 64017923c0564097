#pragma once

#include "Failure.h"

#include "base/Result.h"

#include <string>
#include <vector>

namespace liedspur::adapter {

// The songs a target stands for, as absolute paths: a file stands for itself, a folder for
// its own songs (the files and links to files directly in it whose names are songs'
// names), in the program's name order. A target that is gone, cannot be read or is a folder
// without songs is a failure.
Result<std::vector<std::string>, Failure> songsOf(const std::string& absolutePath);

} // namespace liedspur::adapter
