#pragma once

#include <QPixmap>

namespace liedspur {

// The program's 32 × 32 picture: a record with a note, in plain 16-colour tones.
QPixmap windowIconPixmap();

} // namespace liedspur
