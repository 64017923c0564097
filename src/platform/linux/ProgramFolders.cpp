#include "platform/linux/ProgramFolders.h"

#include "platform/SystemServices.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace liedspur {

namespace {

constexpr const char* dataFolderName = "/liedspur";
constexpr const char* installedPlayerFolder = "/libexec/liedspur";

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isProgram(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Missing parents are made too. A failure is left for the first write there to report.
void makeFolders(const std::string& path) {
    if (isFolder(path))
        return;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return;
        if (slash == std::string::npos)
            return;
    }
}

} // namespace

UserFolders UserFolders::fromEnvironment() {
    UserFolders user;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"))
        user.xdgDataHome = dataHome;
    if (const char* home = std::getenv("HOME"); home && *home)
        user.home = home;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        user.home = entry->pw_dir;
    return user;
}

bool isInstalledCopy(const std::string& executableDirectory) {
    const std::string folder = withoutTrailingSlashes(executableDirectory);
    return folder == "/bin" || folder.ends_with("/bin");
}

std::string applicationDirectoryFor(const std::string& executableDirectory,
                                    const UserFolders& user) {
    if (!isInstalledCopy(executableDirectory))
        return executableDirectory;
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG base directories say.
    const std::string dataHome = user.xdgDataHome.starts_with('/')
                                     ? withoutTrailingSlashes(user.xdgDataHome)
                                     : withoutTrailingSlashes(user.home) + "/.local/share";
    std::string directory = (dataHome == "/" ? "" : dataHome) + dataFolderName;
    makeFolders(directory);
    return directory;
}

std::string shippedPlayerFor(const std::string& executableDirectory) {
    const std::string folder = withoutTrailingSlashes(executableDirectory);
    std::string playerName(1, '/');
    playerName += playerFileName;
    if (isProgram(folder + playerName))
        return folder + playerName;
    if (!isInstalledCopy(folder))
        return {};
    const std::string prefix = folder.substr(0, folder.rfind('/'));
    const std::string installed = prefix + installedPlayerFolder + playerName;
    return isProgram(installed) ? installed : std::string();
}

} // namespace liedspur
