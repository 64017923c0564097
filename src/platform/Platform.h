#pragma once

#include "platform/Dialogs.h"
#include "platform/ProcessStarter.h"
#include "platform/SystemServices.h"

namespace liedspur {

// The platform services a window works with; the real ones in the program, fakes in tests.
struct Platform {
    Dialogs& dialogs;
    ProcessStarter& processes;
    SystemServices& system;
};

} // namespace liedspur
