#pragma once

#include <QRect>
#include <QSize>

namespace liedspur {

// Window geometry is designed in twips, 1440 to the logical inch (15 to a pixel at 96 dpi).
inline constexpr int twipsPerInch = 1440;

int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

} // namespace liedspur
