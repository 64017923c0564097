#pragma once

#include <string>

namespace liedspur {

// The user's folders that an installed copy keeps its files under.
struct UserFolders {
    std::string xdgDataHome; // as the environment has it, possibly empty
    std::string home;

    // From XDG_DATA_HOME and HOME, or the password database where HOME is unset.
    static UserFolders fromEnvironment();
};

// Whether the executable is an installed copy: one in the "bin" folder of a prefix such as
// /usr, /usr/local or ~/.local. Anything else is a build or a portable copy.
bool isInstalledCopy(const std::string& executableDirectory);

// The application directory, where the index files and Plattenbox.ini live: beside the
// executable for a build or a portable copy; for an installed copy
// ${XDG_DATA_HOME:-$HOME/.local/share}/liedspur, created (mode 0700) when missing.
std::string applicationDirectoryFor(const std::string& executableDirectory,
                                    const UserFolders& user);

// Our player adapter winamp.exe, beside the executable or where an installed copy keeps it
// (the prefix's libexec/liedspur/); empty when there is none.
std::string shippedPlayerFor(const std::string& executableDirectory);

} // namespace liedspur
