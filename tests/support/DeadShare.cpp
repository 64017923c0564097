#include "DeadShare.h"

#include "base/MountTable.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace liedspur::testing {

namespace {

constexpr const char* sftpServer = "/usr/lib/openssh/sftp-server";

std::string& whyNoPrivateMounts() {
    static std::string why = "the test program did not ask for private mounts";
    return why;
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    return static_cast<bool>(file.flush());
}

} // namespace

void enterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0)
        whyNoPrivateMounts() =
            std::string("no mount namespace of its own (needs root): ") + std::strerror(errno);
    else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        whyNoPrivateMounts() = std::string("mounts stay shared: ") + std::strerror(errno);
    else
        whyNoPrivateMounts().clear();
}

std::string DeadShare::missing() {
    if (!whyNoPrivateMounts().empty())
        return whyNoPrivateMounts();
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "no usable /dev/fuse";
    if (std::system("command -v sshfs > /dev/null") != 0)
        return "sshfs is not installed (tools/install-deps.sh installs it)";
    if (::access(sftpServer, X_OK) != 0)
        return std::string(sftpServer) + " is not installed (package openssh-sftp-server)";
    return {};
}

DeadShare::DeadShare(const std::string& source, const std::string& mountPoint)
    : m_mountPoint(mountPoint), m_script(source + ".ssh") {
    // Stands in for ssh: the server, with its process number where the test finds it.
    const std::string pidFile = m_script + ".pid";
    if (!writeFile(m_script, "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec " + sftpServer + "\n"))
        return;
    std::filesystem::permissions(m_script, std::filesystem::perms::owner_all);
    const std::string command = "ssh_command=" + m_script;
    const std::string remote = "localhost:" + source;
    // No cache of sshfs's own: a stopped server keeps every listing waiting.
    const char* arguments[] = {"sshfs", "-f",           "-o",           command.c_str(),
                               "-o",    "dir_cache=no", remote.c_str(), mountPoint.c_str(),
                               nullptr};
    // Its complaints about the server that went away are expected.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        ::posix_spawnp(&m_sshfs, "sshfs", &quiet, nullptr, const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        m_sshfs = -1;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_mounted && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        m_mounted = MountTable::current().at(mountPoint) != nullptr;
    }
    std::ifstream(pidFile) >> m_server;
}

void DeadShare::stopAnswering() {
    if (m_server > 0)
        ::kill(m_server, SIGSTOP);
}

DeadShare::~DeadShare() {
    if (m_mounted)
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    if (m_server > 0)
        ::kill(m_server, SIGKILL);
    if (m_sshfs > 0) {
        ::kill(m_sshfs, SIGTERM);
        ::waitpid(m_sshfs, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove(m_script, ignored);
    std::filesystem::remove(m_script + ".pid", ignored);
}

} // namespace liedspur::testing
