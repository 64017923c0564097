#include "PlayerSession.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <glob.h>
#include <sstream>
#include <unistd.h>

namespace liedspur::testing {

namespace {

using namespace std::chrono_literals;

// An ended process whose parent does not reap it counts as gone too.
bool gone(pid_t pid) {
    const auto status = processStatus(std::to_string(pid));
    return !status || status->state == 'Z';
}

// Asks the process to end, and ends it where it does not within a few seconds.
void stop(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (!eventually([pid] { return gone(pid); }, 3s))
        ::kill(pid, SIGKILL);
}

std::optional<std::string> sdlOutputPlugin() {
    glob_t found{};
    std::optional<std::string> plugin;
    if (::glob("/usr/{lib,lib64,local/lib}{,/*}/audacious/Output/sdlout.so", GLOB_BRACE, nullptr,
               &found) == 0)
        plugin = found.gl_pathv[0];
    ::globfree(&found);
    return plugin;
}

} // namespace

Finished run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(10000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {ok, process.readAllStandardOutput().trimmed().toStdString()};
}

PlayerSession::PlayerSession() {
    for (const char* tool : {"audacious", "audtool", "dbus-daemon", "dbus-send", "sox"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            m_missing = std::string("needs ") + tool;
            return;
        }
    const std::optional<std::string> plugin = sdlOutputPlugin();
    if (!plugin || !m_dir.isValid()) {
        m_missing = "needs the SDL output plugin of Audacious and a temporary folder";
        return;
    }
    const QDir root(m_dir.path());
    for (const char* name : {"run", "config/audacious", "cache", "data", "files"})
        root.mkpath(QString::fromLatin1(name));
    // The player keeps its playlist in its configuration, so each session starts empty;
    // the SDL output with its dummy driver plays without a sound card.
    std::ofstream(m_dir.filePath("config/audacious/plugin-registry").toStdString())
        << "format 11\noutput " << *plugin
        << "\nstamp 1\nversion 48\nflags 0\nname SDL Output\ndomain audacious-plugins\n"
           "priority 0\nabout 1\nconfig 0\nenabled 1\n";
    for (const auto& [variable, name] : {std::pair{"XDG_RUNTIME_DIR", "run"},
                                         {"XDG_CONFIG_HOME", "config"},
                                         {"XDG_CACHE_HOME", "cache"},
                                         {"XDG_DATA_HOME", "data"}})
        ::setenv(variable, m_dir.filePath(name).toLocal8Bit().constData(), 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Whatever the adapter starts has no window.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");

    const Finished bus =
        run("dbus-daemon", {"--session", "--fork", "--print-address=1", "--print-pid=1"});
    std::istringstream busLines(bus.output);
    std::string address;
    std::getline(busLines, address);
    busLines >> m_bus;
    if (!bus.ok || address.empty() || m_bus <= 0) {
        m_missing = "no session bus could be started";
        return;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    if (!startPlayer())
        m_missing = "the player did not answer";
}

PlayerSession::~PlayerSession() {
    stopPlayer();
    // The services the bus started on demand (a window manager's settings store) write into
    // the session's folders as they end: they end before the folders go.
    const Finished names =
        run("dbus-send", {"--session", "--print-reply", "--dest=org.freedesktop.DBus",
                          "/org/freedesktop/DBus", "org.freedesktop.DBus.ListActivatableNames"});
    std::istringstream words(names.output);
    for (std::string word; words >> word;)
        if (word.starts_with("\"") && word != "\"org.freedesktop.DBus\"")
            stop(ownerOf(word.substr(1, word.size() - 2)));
    stop(m_bus);
}

bool PlayerSession::startPlayer() {
    // Audacious now and then dies while it starts up; it gets a few goes.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess player;
        player.setProgram("audacious");
        player.setArguments({"-H"});
        player.setStandardOutputFile(QProcess::nullDevice());
        player.setStandardErrorFile(QProcess::nullDevice());
        qint64 pid = 0;
        if (!player.startDetached(&pid))
            return false;
        if (eventually([pid] { return playerAnswers() || gone(pid_t(pid)); }, 15s) &&
            playerAnswers())
            return true;
        stop(static_cast<pid_t>(pid));
    }
    return false;
}

void PlayerSession::stopPlayer() {
    // Found by its name on the bus: it may be one that an adapter started.
    const pid_t player = playerProcess();
    if (player != 0)
        run("audtool", {"shutdown"});
    stop(player);
}

pid_t PlayerSession::ownerOf(const std::string& name) {
    const Finished owner = run("dbus-send", {"--session", "--print-reply",
                                             "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus.GetConnectionUnixProcessID",
                                             QString::fromStdString("string:" + name)});
    const auto number = owner.output.find_last_of(' ');
    if (!owner.ok || number == std::string::npos)
        return 0;
    return static_cast<pid_t>(std::atol(owner.output.c_str() + number + 1));
}

std::optional<std::size_t> PlayerSession::playlistLength() {
    const Finished length = run("audtool", {"playlist-length"});
    if (!length.ok)
        return std::nullopt;
    return static_cast<std::size_t>(std::atol(length.output.c_str()));
}

std::optional<std::vector<std::string>> PlayerSession::playlist() {
    const std::optional<std::size_t> length = playlistLength();
    if (!length)
        return std::nullopt;
    std::vector<std::string> songs;
    for (std::size_t i = 1; i <= *length; ++i) {
        const Finished song = run("audtool", {"playlist-song-filename", QString::number(i)});
        if (!song.ok)
            return std::nullopt;
        songs.push_back(song.output);
    }
    return songs;
}

bool PlayerSession::makeTone(const std::string& path) {
    return run("sox", {"-n", "-r", "8000", "-c", "1", QString::fromStdString(path), "synth", "1",
                       "sine", "440"})
        .ok;
}

} // namespace liedspur::testing
