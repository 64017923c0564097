#pragma once

#include <QString>

#include <string_view>

namespace liedspur {

// Bytes from the file system or the index as the windows show them: UTF-8, with every byte
// that is not part of valid UTF-8 shown as U+FFFD. Only for display: the program keeps and
// hands on the bytes themselves.
QString displayText(std::string_view bytes);

} // namespace liedspur
