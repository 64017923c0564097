#pragma once

#include <functional>

namespace liedspur {

// Called now and then during long work, so that the caller can keep a window alive.
using Yield = std::function<void()>;

} // namespace liedspur
