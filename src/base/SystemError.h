#pragma once

#include "base/Result.h"

#include <string>

namespace liedspur {

// The description of a system error number in German, the language of every message.
std::string describeSystemError(int errorNumber);

// An Error for the current errno, optionally naming the file it concerns.
Error systemError(int errorNumber, const std::string& path = {});

// The last part of a path: messages name the file, not where it lies.
std::string fileNameOf(const std::string& path);

} // namespace liedspur
