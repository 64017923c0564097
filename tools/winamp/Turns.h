#pragma once

#include "base/Result.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace liedspur::adapter {

using Clock = std::chrono::steady_clock;

// A process told apart from a later one that reuses its number.
struct ProcessId {
    pid_t pid = 0;
    unsigned long long startTime = 0;

    static ProcessId self();
    static ProcessId of(pid_t pid);
    // Running, and not ended and waiting to be reaped.
    bool alive() const;
    bool operator==(const ProcessId&) const = default;
};

// What all adapters of this user share, in one small file read and written under a lock.
struct SharedState {
    struct Waiting {
        ProcessId process;
        // The command before it got no answer from the player; this one fails alike.
        bool doomed = false;
    };
    struct Shown {
        std::int64_t atMilliseconds = 0;
        std::uint32_t notification = 0;
        ProcessId dialog;
        std::string text;
    };

    // The player an adapter started and that may still be starting up.
    std::optional<ProcessId> player;
    // The last failure shown to the user.
    std::optional<Shown> shown;
    // The commands in the order they came; the first one has the turn.
    std::vector<Waiting> waiting;
};

// The adapters' queue: a command talks to the player only in its turn, the turns going in
// the order the commands came, and a crashed adapter never holds up the others.
class Turns {
public:
    // The state folder for this user under XDG_RUNTIME_DIR (else /tmp); none with the
    // reason when it cannot be used.
    static Result<Turns, std::string> open();
    ~Turns();
    Turns(Turns&& other) noexcept;
    Turns(const Turns&) = delete;
    Turns& operator=(const Turns&) = delete;
    Turns& operator=(Turns&&) = delete;

    // Takes a place at the end of the queue.
    void join();
    enum class Outcome { MyTurn, Doomed, TimedOut };
    // Waits for the turn until `deadline`; leaves the queue unless the turn came.
    Outcome waitForTurn(Clock::time_point deadline);
    // Ends the turn; `doomRest` makes every command still waiting fail alike.
    void leave(bool doomRest);

    // Reads and changes the shared state under the lock.
    void update(const std::function<void(SharedState&)>& change);

private:
    explicit Turns(int fd) : m_fd(fd) {}
    SharedState read() const;
    void write(const SharedState& state) const;

    int m_fd = -1;
    ProcessId m_self = ProcessId::self();
};

} // namespace liedspur::adapter
