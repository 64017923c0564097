#pragma once

#include <QProcess>

#include <string>
#include <sys/types.h>

namespace liedspur::testing {

// Makes this process's mounts its own, so that nothing outside it sees a share it mounts.
// Must run before the process starts a thread. Remembers why it could not, for missing().
void enterPrivateMounts();

// A network share that can stop answering: sshfs to this machine's sftp-server, mounted
// in the process's private mount namespace. Stopping the server leaves the mount in the
// mount table while every call into it waits, as when a NAS falls asleep.
class DeadShare {
public:
    // Why there can be no such share here, or empty.
    static std::string missing();

    // Mounts `source` at `mountPoint`, an empty folder; check mounted().
    DeadShare(const std::string& source, const std::string& mountPoint);
    // Ends the server and unmounts, which sets free every call still waiting on the share.
    ~DeadShare();
    DeadShare(const DeadShare&) = delete;
    DeadShare& operator=(const DeadShare&) = delete;

    bool mounted() const { return m_mounted; }
    void stopAnswering();

private:
    std::string m_mountPoint;
    std::string m_script;
    QProcess m_sshfs;
    pid_t m_server = -1;
    bool m_mounted = false;
};

} // namespace liedspur::testing
