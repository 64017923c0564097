#include "ui/WindowSystem.h"

#include <QApplication>
#include <QRect>
#include <QWidget>
#include <QWindow>

namespace liedspur {

bool placesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QMargins frameMargins(const QWidget& window) {
    if (window.isVisible() && window.windowHandle())
        return window.windowHandle()->frameMargins();
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->windowHandle()) {
            const QMargins margins = other->windowHandle()->frameMargins();
            if (!margins.isNull())
                return margins;
        }
    }
    return {};
}

void centreFrame(QWidget& window, const QRect& area) {
    if (!placesWindows())
        return;
    QRect frame(QPoint(), window.size().grownBy(frameMargins(window)));
    frame.moveCenter(area.center());
    // A window's position is that of its frame.
    window.move(frame.topLeft());
}

void bringToFront(QWidget& window) {
    window.show();
    if (!placesWindows())
        return;
    window.raise();
    window.activateWindow();
}

} // namespace liedspur
