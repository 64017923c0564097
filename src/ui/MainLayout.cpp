#include "ui/MainLayout.h"

#include "ui/Twips.h"

#include <algorithm>

namespace liedspur {

MainLayout MainLayout::design(QPoint listTopLeft, int searchFieldLeft) {
    return {listTopLeft, searchFieldLeft, twipsToPixels(240), twipsToPixels(700),
            twipsSize(10680, 3000)};
}

QSize MainLayout::heldSize(QSize outer, int screenHeight) const {
    const int height = std::min(std::max(outer.height(), smallest.height()), screenHeight);
    return {std::max(outer.width(), smallest.width()), height};
}

MainLayout::Sizes MainLayout::sizesFor(QSize outer, int clientHeight) const {
    const int listHeight = std::min(outer.height() - (listTopLeft.y() + listBottomMargin),
                                    clientHeight - listTopLeft.y());
    const int listWidth = outer.width() - (listTopLeft.x() + listRightMargin);
    return {{listWidth, std::max(0, listHeight)}, listWidth, listWidth - 2 * searchFieldLeft};
}

std::optional<QSize> NormalSize::stateChanged(Qt::WindowStates before, Qt::WindowStates now,
                                              QSize size) {
    constexpr Qt::WindowStates large = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!(before & large) && (now & large))
        m_size = size;
    // Back from maximized the window still has the large size for a moment: laying it out
    // then would make that size its normal one.
    if ((before & large) && !(now & (large | Qt::WindowMinimized)) && m_size.isValid())
        return m_size;
    return std::nullopt;
}

} // namespace liedspur
