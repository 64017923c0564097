#pragma once

#include "platform/SystemServices.h"

namespace liedspur {

// Where a Linux desktop mounts network shares for the user (GVFS), and the fallback.
std::string linuxNetworkFolder();

class LinuxSystem : public SystemServices {
public:
    std::string applicationDirectory() override;
    std::string shippedPlayer() override;
    bool isNetworkPresent() override;
    std::vector<Drive> drives() override;
    std::string networkFolder() override;
    void endProgram() override;
};

} // namespace liedspur
