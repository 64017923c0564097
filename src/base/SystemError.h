#pragma once

#include "base/Result.h"

#include <string>

namespace liedspur {

// An Error for a system error number, described in German, the language of every message,
// and optionally naming the file it concerns.
Error systemError(int errorNumber, const std::string& path = {});

// The last part of a path: messages name the file, not where it lies.
std::string fileNameOf(const std::string& path);

} // namespace liedspur
