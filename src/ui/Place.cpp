#include "ui/Place.h"

#include <algorithm>

namespace liedspur {

void showWhole(QWidget* widget) {
    const QSize needed = widget->sizeHint().expandedTo(widget->size());
    if (needed != widget->size())
        widget->resize(needed);
}

} // namespace liedspur
