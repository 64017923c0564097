#include "ui/Waiting.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace liedspur {

void serveEventsWithoutInput(std::chrono::milliseconds slice) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                    static_cast<int>(slice.count()));
}

void showWaiting(bool waiting) {
    if (waiting)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace liedspur
