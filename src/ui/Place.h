#pragma once

#include "ui/Twips.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRect>
#include <QString>

#include <type_traits>

namespace liedspur {

// Grows `widget` from its left top corner by what its style needs beyond the designed size,
// a check box's indicator or a caption in a wider font, so that nothing of it is cut.
void showWhole(QWidget* widget);

// Names a window element and puts it where the design has it, `twips` from its parent's
// top left corner; a caption is shown whole.
template <typename Widget> Widget* place(Widget* widget, const char* name, QRect twips) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    if constexpr (std::is_base_of_v<QAbstractButton, Widget> || std::is_base_of_v<QLabel, Widget>)
        showWhole(widget);
    return widget;
}

} // namespace liedspur
