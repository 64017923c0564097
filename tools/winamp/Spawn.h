#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace liedspur::adapter {

// Starts `program` in a session of its own, reading and writing nothing of ours; the error
// number when it cannot start.
int spawnDetached(const char* program, const std::vector<std::string>& arguments, bool searchPath,
                  pid_t& pid);

// Whether there is a display to show windows on.
bool hasDisplay();

} // namespace liedspur::adapter
