#pragma once

#include "platform/ProcessStarter.h"
#include "platform/linux/FocusKeeper.h"

#include <chrono>
#include <memory>

namespace liedspur {

// The file manager used for a folder on this platform.
inline constexpr const char* fileManagerProgram = "xdg-open";

// Starts programs with posix_spawn, arguments one by one, no shell in between, and reaps
// them in the background. A player's turn comes when the previous player process has
// ended or `playerTurnLimit` has passed: a player that stays running (the player itself
// rather than a command handing over to it) holds up the next command only that long.
// A player that keeps the order of commands by itself may give the turn back sooner: it
// gets the write end of a pipe as descriptor 3 and closes it once the next command may
// start. File manager starts go at once. A start without the focus keeps it in this
// program's window (see FocusKeeper).
class PosixProcessStarter : public ProcessStarter {
public:
    explicit PosixProcessStarter(
        std::chrono::milliseconds playerTurnLimit = std::chrono::seconds(2));
    // Waits for nothing: processes still running go on without this program.
    ~PosixProcessStarter() override;
    PosixProcessStarter(const PosixProcessStarter&) = delete;
    PosixProcessStarter& operator=(const PosixProcessStarter&) = delete;

    Status start(const LaunchRequest& request) override;
    bool waitForPlayerTurn(std::chrono::milliseconds limit) override;

private:
    struct Shared;

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<FocusKeeper> m_focus;
};

} // namespace liedspur
