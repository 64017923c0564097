#pragma once

#include <string>

namespace liedspur::adapter {

// Why a command did not reach the player, in the words the user is shown.
struct Failure {
    std::string headline;
    std::string detail;
    // The player or the bus does not answer: the commands waiting behind fail alike.
    bool playerSilent = false;
};

} // namespace liedspur::adapter
