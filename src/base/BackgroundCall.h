#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace liedspur {

// One call made on a thread of its own, for a caller that must not wait longer than it
// chooses: a call into a file system whose server has gone may never return, and a thread
// blocked in the system cannot be stopped. The thread is never joined; it owns the call
// and its answer, so that an answer nobody waits for any more is simply dropped.
template <typename T> class BackgroundCall {
public:
    explicit BackgroundCall(std::function<T()> call) : m_state(std::make_shared<State>()) {
        try {
            std::thread([state = m_state, call = std::move(call)]() mutable {
                T answer = call();
                const std::lock_guard lock(state->mutex);
                state->answer.emplace(std::move(answer));
                state->answered.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: the call counts as one that does not answer.
        }
    }

    // Whether the answer has come, waiting for it at most `limit`.
    bool waitFor(std::chrono::milliseconds limit) const {
        std::unique_lock lock(m_state->mutex);
        return m_state->answered.wait_for(lock, limit,
                                          [this] { return m_state->answer.has_value(); });
    }
    bool ready() const { return waitFor(std::chrono::milliseconds(0)); }
    // The answer if it comes within `limit`. A slow one is waited for in short slices with
    // `serve` called between them, so that the caller can keep its windows painted.
    std::optional<T> waitServing(std::chrono::milliseconds limit,
                                 const std::function<void()>& serve) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + limit;
        auto slice = std::min(limit, milliseconds(30));
        while (!waitFor(slice) && steady_clock::now() < deadline) {
            serve();
            slice = std::min(milliseconds(10),
                             duration_cast<milliseconds>(deadline - steady_clock::now()));
        }
        return take();
    }
    // The answer if it has come by `deadline`, kept for further looks; none otherwise.
    T* waitUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(m_state->mutex);
        m_state->answered.wait_until(lock, deadline,
                                     [this] { return m_state->answer.has_value(); });
        return m_state->answer ? &*m_state->answer : nullptr;
    }
    // The answer once it has come, for one taker.
    std::optional<T> take() {
        const std::lock_guard lock(m_state->mutex);
        return std::exchange(m_state->answer, std::nullopt);
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable answered;
        std::optional<T> answer;
    };
    std::shared_ptr<State> m_state;
};

} // namespace liedspur
