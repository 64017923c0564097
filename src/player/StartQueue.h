#pragma once

#include "platform/ProcessStarter.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace liedspur {

// The player's starts in the order the commands give them. A start waits for the player's
// turn while `pump` lets the window's events run: a gesture made meanwhile queues up behind
// it and never overtakes it, and each start's outcome goes to its own command.
class StartQueue {
public:
    StartQueue(ProcessStarter& starter, std::function<void()> pump);

    // Starts `request` in its turn: succeeds when it is under way. A start the queue dropped
    // when it closed fails too.
    Status start(const LaunchRequest& request);
    // The program is ending: the starts still waiting are dropped and later ones fail.
    void close();
    bool closed() const { return m_closed; }

private:
    struct Pending {
        LaunchRequest request;
        std::optional<Status> outcome;
    };
    // Starts the waiting requests, first come first, as long as the turn is free.
    void serve();

    ProcessStarter& m_starter;
    std::function<void()> m_pump;
    std::deque<std::shared_ptr<Pending>> m_waiting;
    bool m_closed = false;
};

} // namespace liedspur
