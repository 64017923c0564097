#include "player/StartQueue.h"

namespace liedspur {

namespace {

using namespace std::chrono_literals;

const Error dropped{"Das Programm wird beendet."};

// How long one wait for the turn lasts before the window's events get their go.
constexpr std::chrono::milliseconds turnWaitSlice = 10ms;

} // namespace

StartQueue::StartQueue(ProcessStarter& starter, std::function<void()> pump)
    : m_starter(starter), m_pump(std::move(pump)) {}

Status StartQueue::start(const LaunchRequest& request) {
    if (m_closed)
        return dropped;
    const auto pending = std::make_shared<Pending>(Pending{request, std::nullopt});
    m_waiting.push_back(pending);
    for (;;) {
        serve();
        if (pending->outcome)
            return *pending->outcome;
        // Whoever waits serves the queue from its head: a command that came later and
        // waits above this one on the stack starts this one first.
        m_starter.waitForPlayerTurn(turnWaitSlice);
        if (m_pump)
            m_pump();
    }
}

void StartQueue::serve() {
    while (!m_waiting.empty() && m_starter.waitForPlayerTurn(0ms)) {
        const std::shared_ptr<Pending> next = m_waiting.front();
        m_waiting.pop_front();
        next->outcome = m_starter.start(next->request);
    }
}

void StartQueue::close() {
    m_closed = true;
    for (const std::shared_ptr<Pending>& pending : m_waiting)
        pending->outcome = dropped;
    m_waiting.clear();
}

} // namespace liedspur
