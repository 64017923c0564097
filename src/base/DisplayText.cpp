#include "base/DisplayText.h"

namespace liedspur {

QString displayText(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace liedspur
