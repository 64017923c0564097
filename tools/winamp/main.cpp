// Liedspur's player on Linux: takes the two command lines Liedspur gives its player and
// hands them to a running Audacious over the session bus, starting one when none runs.
//
//   winamp.exe TARGET         the playlist is replaced by TARGET, which is played
//   winamp.exe /add TARGET    TARGET is appended to the playlist
//
// TARGET is a song file or a folder (a folder brings all its songs). Commands reach the
// player in the order they were started, also while the player is still starting up, and
// a command that fails says so where the user sees it.

#include "Command.h"
#include "SessionBus.h"
#include "Turns.h"

#include <dbus/dbus.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace liedspur::adapter {
namespace {

using namespace std::chrono_literals;

// Two failures with the same headline this close together are shown once.
constexpr std::int64_t repeatWindowMilliseconds = 10000;
// How long a player that has just taken its name on the bus is left to finish starting.
constexpr auto playerSettling = std::chrono::milliseconds(500);
// How often a player that dies while starting up gets another go.
constexpr int playerStarts = 3;
// The launcher's turn pipe, closed once this command has its turn.
constexpr int launcherTurnDescriptor = 3;
// How long the player gets to answer when no LIEDSPUR_PLAYER_TIMEOUT says otherwise.
constexpr double defaultTimeoutSeconds = 10;

struct Failure {
    std::string headline;
    std::string detail;
    // Commands waiting behind this one fail alike.
    bool playerSilent = false;
};

std::chrono::milliseconds answerTimeout() {
    const char* text = std::getenv("LIEDSPUR_PLAYER_TIMEOUT");
    char* end = nullptr;
    const double seconds = text ? std::strtod(text, &end) : 0;
    const bool given = text && end != text && *end == '\0' && seconds > 0 && seconds < 3600;
    return std::chrono::milliseconds(
        static_cast<long long>((given ? seconds : defaultTimeoutSeconds) * 1000));
}

bool hasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

Failure notAnswering() {
    const long long seconds = std::chrono::ceil<std::chrono::seconds>(answerTimeout()).count();
    return {"Audacious antwortet nicht",
            "Keine Antwort nach " + std::to_string(seconds) + " Sekunden.", true};
}

// Starts `program` in a session of its own, reading and writing nothing of ours.
int spawnDetached(const char* program, const std::vector<std::string>& arguments, bool searchPath,
                  pid_t& pid) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    ::posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        ::posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
    const int error =
        searchPath ? ::posix_spawnp(&pid, program, &actions, &attributes, argv.data(), environ)
                   : ::posix_spawn(&pid, program, &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    return error;
}

using Delivery = Result<Success, Failure>;

// Starts the player unless one that an adapter started is still coming up.
Delivery startPlayerOnce(Turns& turns, int& starts) {
    std::optional<Failure> failure;
    turns.update([&](SharedState& state) {
        if (state.player && state.player->alive())
            return;
        if (starts == playerStarts) {
            failure = notAnswering();
            return;
        }
        ++starts;
        std::vector<std::string> options;
        if (!hasDisplay())
            options.push_back("-H");
        pid_t pid = 0;
        if (const int error = spawnDetached("audacious", options, true, pid); error == ENOENT)
            failure = Failure{"Audacious ist nicht installiert",
                              "Bitte das Paket audacious installieren."};
        else if (error != 0)
            failure = Failure{"Audacious lässt sich nicht starten", std::strerror(error)};
        else
            state.player = ProcessId::of(pid);
    });
    if (failure)
        return *failure;
    return Success{};
}

// Waits until the player takes its name on the bus; false when it ended or took too long.
bool playerComesUp(SessionBus& bus, Turns& turns, Clock::time_point deadline) {
    while (Clock::now() < deadline) {
        if (bus.playerOnTheBus())
            return true;
        bool starting = false;
        turns.update([&](SharedState& state) { starting = state.player && state.player->alive(); });
        if (!starting)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// Hands the command to the player, starting one when none is on the bus.
Delivery deliver(SessionBus& bus, Turns& turns, const Command& command, const std::string& uri,
                 Clock::time_point deadline) {
    const char* method = command.mode == Mode::Play ? "OpenList" : "AddList";
    int starts = 0;
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining <= 0ms)
            return notAnswering();
        const Result<Success, SessionBus::Error> called = bus.callPlayer(method, uri, remaining);
        if (called)
            return Success{};
        const SessionBus::Error& error = called.error();
        if (error.name == DBUS_ERROR_NO_REPLY || error.name == DBUS_ERROR_TIMEOUT)
            return notAnswering();
        if (!callNotTaken(error))
            return Failure{"Audacious hat den Befehl abgelehnt", error.message};
        if (noPlayerOnTheBus(error)) {
            if (Delivery started = startPlayerOnce(turns, starts); !started)
                return started;
            // Asked while it still loads its plugins, Audacious may abort: a player coming
            // up is asked nothing until it has its name on the bus and a moment more.
            if (playerComesUp(bus, turns, deadline))
                std::this_thread::sleep_for(playerSettling);
        }
        std::this_thread::sleep_for(20ms);
    }
}

// Bus strings must be UTF-8; a system message in another encoding loses its odd bytes.
std::string busText(std::string text) {
    if (!dbus_validate_utf8(text.c_str(), nullptr))
        for (char& c : text)
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
    return text;
}

std::string messageProgram() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string self(path, static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "liedspur-meldung";
}

// The failure where the user sees it: a desktop notification, else a small dialog; the
// same failure again soon after refreshes the one shown instead of adding another.
void show(const Failure& failure, SessionBus* bus, Turns* turns) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const auto present = [&](SharedState& state) {
        const bool repeat = state.shown && state.shown->text == failure.headline &&
                            now - state.shown->atMilliseconds < repeatWindowMilliseconds;
        if (repeat && state.shown->dialog.alive())
            return;
        if (bus) {
            if (const auto id = bus->notify(repeat ? state.shown->notification : 0,
                                            busText(failure.headline), busText(failure.detail))) {
                state.shown = SharedState::Shown{now, *id, {}, failure.headline};
                return;
            }
        }
        if (repeat || !hasDisplay())
            return;
        pid_t pid = 0;
        if (spawnDetached(messageProgram().c_str(), {failure.headline, failure.detail}, false,
                          pid) == 0)
            state.shown = SharedState::Shown{now, 0, ProcessId::of(pid), failure.headline};
    };
    if (turns) {
        turns->update(present);
    } else {
        SharedState alone;
        present(alone);
    }
}

int fail(const Failure& failure, SessionBus* bus, Turns* turns, bool visible = true) {
    std::fprintf(stderr, "winamp.exe: %s: %s\n", failure.headline.c_str(), failure.detail.c_str());
    if (visible)
        show(failure, bus, turns);
    return 1;
}

int run(const std::vector<std::string>& arguments) {
    const std::optional<Command> command = parseArguments(arguments);
    if (!command) {
        std::fputs("Aufruf: winamp.exe ZIEL  oder  winamp.exe /add ZIEL\n"
                   "ZIEL ist eine Musikdatei oder ein Ordner.\n",
                   stderr);
        return 2;
    }
    const Clock::time_point deadline = Clock::now() + answerTimeout();
    // Liedspur's launcher waits for the end of this command, or for this descriptor to
    // close, before it starts the next one; the player started here must not hold it.
    const bool launcherTurn = ::fcntl(launcherTurnDescriptor, F_SETFD, FD_CLOEXEC) == 0;
    std::string workingDirectory;
    if (char* cwd = ::getcwd(nullptr, 0)) {
        workingDirectory = cwd;
        std::free(cwd);
    }
    const std::string uri = fileUri(absolutePath(command->target, workingDirectory));

    Result<SessionBus, std::string> connected = SessionBus::connect();
    Result<Turns, std::string> opened = Turns::open();
    if (!connected)
        return fail({"Audacious ist nicht erreichbar", "Es läuft keine D-Bus-Sitzung."}, nullptr,
                    opened ? &opened.value() : nullptr);
    if (!opened)
        return fail({"Der Befehl an Audacious ist nicht möglich", opened.error()},
                    &connected.value(), nullptr);
    SessionBus* const bus = &connected.value();
    Turns* const turns = &opened.value();

    turns->join();
    switch (turns->waitForTurn(deadline)) {
    case Turns::Outcome::MyTurn:
        // The launcher may start the next command now: it queues up right behind this
        // one and gets ready while this one talks to the player.
        if (launcherTurn)
            ::close(launcherTurnDescriptor);
        break;
    case Turns::Outcome::Doomed:
        // The command before this one got no answer and has said so.
        return fail(notAnswering(), bus, turns, false);
    case Turns::Outcome::TimedOut:
        return fail(notAnswering(), bus, turns);
    }
    const Delivery delivered = deliver(*bus, *turns, *command, uri, deadline);
    turns->leave(!delivered && delivered.error().playerSilent);
    if (!delivered)
        return fail(delivered.error(), bus, turns);
    return 0;
}

} // namespace
} // namespace liedspur::adapter

int main(int argc, char* argv[]) {
    return liedspur::adapter::run(std::vector<std::string>(argv + 1, argv + argc));
}
