#pragma once

#include <optional>
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

// Starts programs without waiting for them.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // None when the start is under way, else the reason it cannot happen.
    virtual std::optional<std::string> start(const LaunchRequest& request) = 0;
};

} // namespace liedspur
