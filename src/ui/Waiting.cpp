#include "ui/Waiting.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace liedspur {

void serveEventsWithoutInput(std::chrono::milliseconds slice) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                    static_cast<int>(slice.count()));
}

WaitPointer::~WaitPointer() {
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}

void WaitPointer::show() {
    if (!m_shown)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_shown = true;
}

} // namespace liedspur
