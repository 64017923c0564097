#pragma once

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

namespace liedspur::testing {

// Offscreen a window is shown, activated and laid out at once; a display server answers a
// round trip later, and its window manager or compositor has a say in between.
inline bool onDisplayServer() {
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

// Where the program may place its windows: everywhere but on Wayland.
inline bool placesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Lets pending events run, and on a display server waits for its answers too.
inline void settle() {
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    if (onDisplayServer())
        QTest::qWait(50);
}

// Waits until the window system has made `window` the active window.
inline bool waitUntilActive(QWidget* window) {
    return QTest::qWaitFor([window] { return window->isActiveWindow(); }, 5000);
}

} // namespace liedspur::testing
