#pragma once

#include "ui/Twips.h"

#include <QRect>
#include <QString>

namespace liedspur {

// Names a window element and puts it where the design has it, `twips` from its parent's
// top left corner.
template <typename Widget> Widget* place(Widget* widget, const char* name, QRect twips) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return widget;
}

} // namespace liedspur
