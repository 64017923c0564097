#pragma once

#include "base/Result.h"

#include <chrono>
#include <string>
#include <vector>

namespace liedspur {

// How the started program shows its window, where the platform knows such a thing.
enum class WindowStyle { NormalFocus = 1, NormalNoFocus = 4 };

struct LaunchRequest {
    enum class Target { Player, FileManager };
    Target target = Target::Player;
    // The program for a player start; a file manager start uses the platform's own.
    std::string program;
    // Passed one by one, never through a shell: bytes as they are.
    std::vector<std::string> arguments;
    WindowStyle style = WindowStyle::NormalNoFocus;
};

// Starts programs without waiting for them. Player starts take turns: each one waits until
// the previous player process has ended or has had its time, so that the player receives
// its commands in the order they were given.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // Succeeds when the start is under way. A player start that comes before its turn waits
    // for it here.
    virtual Status start(const LaunchRequest& request) = 0;
    // Waits at most `limit` for the player's turn; true when a player start would go at
    // once. A starter without turns is always ready.
    virtual bool waitForPlayerTurn(std::chrono::milliseconds limit) {
        (void)limit;
        return true;
    }
};

} // namespace liedspur
