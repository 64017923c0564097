#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace liedspur::adapter {

// Work on a thread of its own, waited for only until a deadline: a step that can block for
// ever (a stopped bus, a drive that does not answer) never holds up the command longer. A
// late answer is dropped with the thread, which the program's end does not wait for.
template <typename T> class Background {
public:
    explicit Background(std::function<T()> work) : m_state(std::make_shared<State>()) {
        const auto task = std::make_shared<std::function<T()>>(std::move(work));
        try {
            std::thread([state = m_state, task] {
                T value = (*task)();
                const std::lock_guard lock(state->mutex);
                state->value.emplace(std::move(value));
                state->done.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            m_state->value.emplace((*task)());
        }
    }

    // The answer, or none when it has not come by `deadline`; the same answer each time.
    T* wait(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(m_state->mutex);
        m_state->done.wait_until(lock, deadline, [&] { return m_state->value.has_value(); });
        return m_state->value ? &*m_state->value : nullptr;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> value;
    };
    std::shared_ptr<State> m_state;
};

} // namespace liedspur::adapter
