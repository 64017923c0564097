#pragma once

#include <chrono>

namespace liedspur {

// Lets pending window events run from inside a long loop, but at most about every 15 ms:
// often enough for a responsive window, rarely enough that a million rows stay fast.
class EventPump {
public:
    explicit EventPump(std::chrono::milliseconds interval = std::chrono::milliseconds(15))
        : m_interval(interval) {}

    // Processes pending events when the interval has passed since the last time.
    void operator()();
    // Processes pending events now.
    void now();

private:
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

} // namespace liedspur
