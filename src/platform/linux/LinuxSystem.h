#pragma once

#include "platform/SystemServices.h"

namespace liedspur {

class MountTable;

// Where a Linux desktop mounts network shares for the user (GVFS), and the fallback.
std::string linuxNetworkFolder();

// The drives of a mount table, the root first, without the file systems that are never
// entered; looks at no mount, only at the device folder for the disks' labels.
std::vector<Drive> drivesOf(const MountTable& table);

// Ends the process now, leaving threads that wait on a share to the kernel.
[[noreturn]] void endProcess(int code);

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
