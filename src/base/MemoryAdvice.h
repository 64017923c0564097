#pragma once

#include <cstddef>

namespace liedspur {

// Asks the system to back a large buffer, not yet touched, with huge pages: a load fills
// hundreds of megabytes afresh, and faulting them in page by page costs more than reading.
void adviseLargeBuffer(void* data, std::size_t bytes);

} // namespace liedspur
