#include "ui/EventPump.h"

#include <QCoreApplication>

namespace liedspur {

void EventPump::operator()() {
    if (std::chrono::steady_clock::now() - m_last >= m_interval)
        now();
}

void EventPump::now() {
    QCoreApplication::processEvents();
    m_last = std::chrono::steady_clock::now();
}

} // namespace liedspur
