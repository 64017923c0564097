#pragma once

#include "platform/Platform.h"

#include <string>

namespace liedspur {

// Finds the player's executable: from Plattenbox.ini in the application directory, or by
// asking the user, who may also give up, which ends the program. Holds PlayerPath.
class PlayerLocation {
public:
    explicit PlayerLocation(Platform platform);

    // True with playerPath() set; false when the program has been ended meanwhile.
    bool FindPlayer();

    // PlayerPath: the player's full path followed by one blank; empty before FindPlayer.
    const std::string& playerPath() const { return m_playerPath; }

private:
    FileDialogRequest playerDialog();

    Platform m_platform;
    std::string m_playerPath;
    // The file dialog shows its previous choice again.
    std::string m_lastChoice;
};

} // namespace liedspur
