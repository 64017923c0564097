#pragma once

#include "Processes.h"

#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace liedspur::testing {

struct Finished {
    bool ok = false;
    std::string output;
};

// Runs a program to its end (10 s at most) in a C.UTF-8 locale, which keeps audtool from
// printing every letter beyond ASCII as "?".
Finished run(const QString& program, const QStringList& arguments);

// A headless Audacious on a session bus, runtime folder and configuration of its own, so
// that nothing is shared with a desktop or another test run on the machine. Sets this
// process's environment to them, for the player adapters it starts.
class PlayerSession {
public:
    PlayerSession();
    // Shuts the player and the bus down by their process ids.
    ~PlayerSession();
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // Empty when the session is up, else what it lacks.
    const std::string& missing() const { return m_missing; }
    // A folder of the session for the caller's files.
    std::string folder() const { return m_dir.filePath("files").toStdString(); }

    bool startPlayer();
    void stopPlayer();
    // The process that has the player's name on the bus, 0 for none.
    static pid_t playerProcess() { return ownerOf("org.atheme.audacious"); }
    pid_t busProcess() const { return m_bus; }
    static bool playerAnswers() { return playlistLength().has_value(); }
    static std::optional<std::vector<std::string>> playlist();
    static std::optional<std::size_t> playlistLength();
    // A short tone as an MP3 file.
    static bool makeTone(const std::string& path);

private:
    // The process that owns `name` on the bus, 0 for none.
    static pid_t ownerOf(const std::string& name);

    QTemporaryDir m_dir;
    std::string m_missing;
    pid_t m_bus = 0;
};

} // namespace liedspur::testing
