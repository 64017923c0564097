#include "ui/CommandSequencer.h"

namespace liedspur {

CommandSequencer::CommandSequencer(std::function<void(Job)> post, Job activate)
    : m_post(std::move(post)), m_activate(std::move(activate)) {}

void CommandSequencer::run(Job job) {
    if (m_busy) {
        m_waiting.push_back(std::move(job));
        return;
    }
    m_busy = true;
    job();
    while (!m_waiting.empty()) {
        const Job next = std::move(m_waiting.front());
        m_waiting.pop_front();
        next();
    }
    m_busy = false;
}

void CommandSequencer::requestActivation() {
    m_activationCounts = false;
    if (m_activationQueued)
        return;
    m_activationQueued = true;
    m_post([this] {
        run([this] {
            m_activationQueued = false;
            m_activate();
        });
    });
}

void CommandSequencer::windowActivated(Window window) {
    if (window == Window::Own) {
        m_activationCounts = true;
        return;
    }
    if (window == Window::Main && m_activationCounts)
        requestActivation();
}

} // namespace liedspur
