#pragma once

#include "base/BackgroundCall.h"

#include <chrono>
#include <optional>

namespace liedspur {

// Lets the windows repaint and their timers run for about `slice`; the user's input waits
// for the handler that is waiting to end.
void serveEventsWithoutInput(std::chrono::milliseconds slice);
// Shows the wait pointer over every window, or the pointer each had before.
void showWaiting(bool waiting);

// The answer of `call` if it comes within `limit`. A quick answer is taken without serving
// events; a slow one with the wait pointer shown and the windows kept painted.
template <typename T>
std::optional<T> waitServingEvents(BackgroundCall<T>& call, std::chrono::milliseconds limit) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + limit;
    if (call.waitFor(std::min(limit, milliseconds(30))))
        return call.take();
    showWaiting(true);
    bool answered = false;
    while (!answered && steady_clock::now() < deadline) {
        serveEventsWithoutInput(milliseconds(10));
        answered = call.waitFor(std::min(
            milliseconds(10), duration_cast<milliseconds>(deadline - steady_clock::now())));
    }
    showWaiting(false);
    return call.take();
}

} // namespace liedspur
