#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace liedspur {

// The file name the program asks of the player's executable, letter case aside, and so the
// name of the player adapter shipped with the program.
inline constexpr std::string_view playerFileName = "winamp.exe";

struct Drive {
    std::string rootPath; // ends in "/"
    QString label;
};

// What the program asks of the system besides dialogs and process starts.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    // Where the index and settings files live: beside the executable, or in the user's data
    // folder for an installed copy.
    virtual std::string applicationDirectory() = 0;
    // The player adapter shipped with the program, empty when there is none.
    virtual std::string shippedPlayer() = 0;
    // True when a network interface other than loopback is up.
    virtual bool isNetworkPresent() = 0;
    // The mounted volumes, by their root path, from the mount table: no drive is asked.
    virtual std::vector<Drive> drives() = 0;
    // The folder where this machine mounts network shares.
    virtual std::string networkFolder() = 0;
    // Ends the whole program at once: no window is asked, nothing is saved. Returns only
    // where a test stands in for the system; the caller then returns too.
    virtual void endProgram() = 0;
};

} // namespace liedspur
