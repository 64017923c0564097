#pragma once

#include "base/Result.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

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

// What all adapters of this user share besides their queue. It lies in a mapped file, so it
// holds plain values only.
struct SharedState {
    struct Shown {
        // Wall-clock time of the last failure shown.
        std::int64_t atMilliseconds = 0;
        // The desktop notification showing it, 0 for none.
        std::uint32_t notification = 0;
        // The dialog showing it, pid 0 for none.
        ProcessId dialog;
        // How many failures it shows; 0 when nothing has been shown yet.
        std::uint32_t failures = 0;
    };

    // The player an adapter started, which may still be starting up; pid 0 for none.
    ProcessId player;
    Shown shown;
};

// The adapters' queue: a command talks to the player only in its turn, the turns going in
// the order the commands joined. A waiting command sleeps until the command before it
// hands the turn on or ends; a crashed or stopped adapter holds up the others no longer
// than its turn may last.
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

    // Takes a place at the end of the queue; fails when thousands already wait.
    Result<Success, std::string> join();
    enum class Outcome { MyTurn, Doomed };
    // Waits for the turn, which lasts at most `turnLength` from when it comes: after that
    // the next command takes over; one that does not take up its turn in time queues up
    // again. Doomed when a command before this one got no answer from the player (or, in
    // queueing up again, thousands wait); the queue has then been left.
    Outcome waitForTurn(std::chrono::milliseconds turnLength);
    // Ends the turn or leaves the queue; `doomRest` makes every command waiting now fail
    // alike.
    void leave(bool doomRest);

    // Reads and changes the shared state under the lock.
    void update(const std::function<void(SharedState&)>& change);
    // The state folder, which only this user can use.
    const std::string& folder() const { return m_folder; }

private:
    struct Queue;
    class Lock;
    Turns(std::string folder, int fd, Queue* queue);
    std::string wakePath(pid_t pid) const;
    // Draws the next ticket; false when thousands already wait. Called with the lock held.
    bool takeTicket();
    // Hands the turn to the first waiting command after this one; called with the lock held.
    void handOn();

    std::string m_folder;
    int m_fd = -1;
    Queue* m_queue = nullptr;
    // Readable when another command wakes this one.
    int m_wake = -1;
    std::uint64_t m_ticket = 0;
    ProcessId m_self = ProcessId::self();
};

} // namespace liedspur::adapter
