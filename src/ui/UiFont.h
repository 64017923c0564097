#pragma once

#include <QFont>

namespace liedspur {

// The font of every window: the default sans font at 8.25 point.
QFont dialogFont();

} // namespace liedspur
