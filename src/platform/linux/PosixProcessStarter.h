#pragma once

#include "platform/ProcessStarter.h"

#include <chrono>
#include <memory>
#include <thread>

namespace liedspur {

// The file manager used for a folder on this platform.
inline constexpr const char* fileManagerProgram = "xdg-open";

// Starts programs with posix_spawn, arguments one by one, no shell in between, and reaps
// them in the background. Player starts keep their order: each one waits, on a worker
// thread, until the previous player process has ended or `playerTurnLimit` has passed, so
// the player receives its commands in the order the program gave them. File manager
// starts go at once. start() itself never waits for a process.
class PosixProcessStarter : public ProcessStarter {
public:
    explicit PosixProcessStarter(
        std::chrono::milliseconds playerTurnLimit = std::chrono::seconds(2));
    // Hands the player the starts still waiting, in their order, before it returns.
    ~PosixProcessStarter() override;
    PosixProcessStarter(const PosixProcessStarter&) = delete;
    PosixProcessStarter& operator=(const PosixProcessStarter&) = delete;

    // A player start that has to wait is checked at once (the program exists and may be
    // run); should it still fail when its turn comes, the next player start reports that.
    std::optional<std::string> start(const LaunchRequest& request) override;

private:
    struct Shared;
    void runPlayerQueue();

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};

} // namespace liedspur
