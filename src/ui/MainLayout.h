#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

namespace liedspur {

// The main window's layout arithmetic, in pixels. Outer sizes include the window frame.
struct MainLayout {
    // The sizes that change with the window's.
    struct Sizes {
        QSize list;           // lv_1
        int frameWidth;       // Frame1
        int searchFieldWidth; // txt_suchen
    };

    QPoint listTopLeft;
    int searchFieldLeft = 0;
    int listRightMargin = 0;
    int listBottomMargin = 0;
    QSize smallest;

    // The places and margins as designed.
    static MainLayout design(QPoint listTopLeft, int searchFieldLeft);

    // The outer size a window that is free to change its size is held to: at least the
    // smallest, then no higher than the screen.
    QSize heldSize(QSize outer, int screenHeight) const;
    // The list ends where the client area ends, `clientHeight` high, also under a window
    // manager whose title bar is taller than the designed one.
    Sizes sizesFor(QSize outer, int clientHeight) const;
};

// The window's size before it was maximized or made full screen, given back when it
// returns to the normal state.
class NormalSize {
public:
    // The size to give the window as its state changes, none to lay it out as it is.
    std::optional<QSize> stateChanged(Qt::WindowStates before, Qt::WindowStates now, QSize size);

private:
    QSize m_size;
};

} // namespace liedspur
