#pragma once

#include <QMargins>

class QRect;
class QWidget;

namespace liedspur {

// What the window system lets the program do with its windows. Wayland leaves placing
// and activating windows to the compositor, and Qt warns of every attempt there.
bool placesWindows();

// The frame the window system puts around `window`, as it tells it now. Before the window
// is shown, that of another window of the program: they share one decoration.
QMargins frameMargins(const QWidget& window);

// Puts the frame of `window`, not its client area, in the middle of `area`.
void centreFrame(QWidget& window, const QRect& area);

// Shows `window` above the others and makes it the active window where the platform lets
// the program do so; on Wayland the compositor decides.
void bringToFront(QWidget& window);

} // namespace liedspur
