#pragma once

#include "platform/ProcessStarter.h"

#include <string>
#include <string_view>

namespace liedspur {

// A command the program starts: the launch itself and its command-line text as the user
// would read it, `PlayerPath` + Q + target + Q and the like.
struct CommandLine {
    LaunchRequest launch;
    std::string text;
};

// `playerPath` is PlayerPath: the player's full path followed by one blank.
CommandLine playCommand(std::string_view playerPath, std::string_view target);
CommandLine addCommand(std::string_view playerPath, std::string_view target);
// "Explorer.exe" + " " + the folder as sub-item 1 holds it.
CommandLine explorerCommand(std::string_view folder);

// The player's path without the blank that PlayerPath ends in.
std::string_view playerProgram(std::string_view playerPath);

} // namespace liedspur
