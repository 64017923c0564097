#pragma once

#include "base/BackgroundCall.h"

#include <chrono>
#include <optional>

namespace liedspur {

// Lets the windows repaint and their timers run for about `slice`; the user's input waits
// for the handler that is waiting to end.
void serveEventsWithoutInput(std::chrono::milliseconds slice);

// The wait pointer over every window, from the first show() for as long as it lives.
class WaitPointer {
public:
    WaitPointer() = default;
    ~WaitPointer();
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
    void show();

private:
    bool m_shown = false;
};

// The answer of `call` if it comes within `limit`. A quick answer is taken without serving
// events; a slow one with the wait pointer shown and the windows kept painted.
template <typename T>
std::optional<T> waitServingEvents(BackgroundCall<T>& call, std::chrono::milliseconds limit) {
    WaitPointer pointer;
    return call.waitServing(limit, [&] {
        pointer.show();
        serveEventsWithoutInput(std::chrono::milliseconds(10));
    });
}

} // namespace liedspur
