#include "DeadShare.h"

#include "base/MountTable.h"

#include "Processes.h"
#include "TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace liedspur::testing {

namespace {

constexpr const char* sftpServer = "/usr/lib/openssh/sftp-server";

std::string& whyNoPrivateMounts() {
    static std::string why = "the test program did not ask for private mounts";
    return why;
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
    writeFileBytes(m_script, "#!/bin/sh\necho $$ > '" + m_script + ".pid'\nexec " + sftpServer);
    std::filesystem::permissions(m_script, std::filesystem::perms::owner_all);
    // Its complaints about the server that went away are expected. No cache of sshfs's own:
    // a stopped server keeps every listing waiting.
    m_sshfs.setStandardErrorFile(QProcess::nullDevice());
    m_sshfs.start("sshfs", {"-f", "-o", QString::fromStdString("ssh_command=" + m_script), "-o",
                            "dir_cache=no", QString::fromStdString("localhost:" + source),
                            QString::fromStdString(mountPoint)});
    // Mounted, with the server's number written in full.
    const auto mounted = [&] { return MountTable::current().at(mountPoint) != nullptr; };
    eventually([&] {
        std::ifstream(m_script + ".pid") >> m_server;
        return m_server > 0 && mounted();
    });
    m_mounted = mounted();
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
    m_sshfs.terminate();
    m_sshfs.waitForFinished();
    std::error_code ignored;
    std::filesystem::remove(m_script, ignored);
    std::filesystem::remove(m_script + ".pid", ignored);
}

} // namespace liedspur::testing
