#pragma once

#include "Failure.h"
#include "SessionBus.h"
#include "Turns.h"

namespace liedspur::adapter {

// Prints the failure and shows it where the user sees it, done by `until` at the latest: as
// a desktop notification, else in the dialog beside the adapter where there is a display.
// A failure that comes while an earlier one is still shown joins that message rather than
// adding one: the notification is replaced by the newest with the count of the others, the
// open dialog lists it. Once the user has
// closed the dialog, the next failure opens a new one. `bus` and `turns` may be missing.
void report(const Failure& failure, SessionBus* bus, Turns* turns, Clock::time_point until);

} // namespace liedspur::adapter
