#pragma once

#include "platform/ProcessStarter.h"

namespace liedspur {

// The file manager used for a folder on this platform.
inline constexpr const char* fileManagerProgram = "xdg-open";

// Starts programs with posix_spawn, arguments one by one, no shell in between.
class PosixProcessStarter : public ProcessStarter {
public:
    std::optional<std::string> start(const LaunchRequest& request) override;
};

} // namespace liedspur
