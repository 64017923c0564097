#pragma once

#include <QIcon>

namespace liedspur {

// The 32 × 32 picture of every window: a note on a record.
QIcon appIcon();

} // namespace liedspur
