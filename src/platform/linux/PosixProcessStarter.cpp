#include "PosixProcessStarter.h"

#include "index/SystemError.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace liedspur {

std::optional<std::string> PosixProcessStarter::start(const LaunchRequest& request) {
    const std::string program =
        request.target == LaunchRequest::Target::FileManager ? fileManagerProgram : request.program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : request.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int error = request.target == LaunchRequest::Target::FileManager
                          ? ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
                          : ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        return describeSystemError(error);
    // Reaped in the background, so that no started program stays a zombie.
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return std::nullopt;
}

} // namespace liedspur
