// Liedspur's player on Linux: takes the two command lines Liedspur gives its player and
// hands them to a running Audacious over the session bus, starting one when none runs.
//
//   winamp.exe TARGET         the playlist is replaced by TARGET, which is played
//   winamp.exe /add TARGET    TARGET is appended to the playlist
//
// TARGET is a song file or a folder, which brings its own songs in name order. Commands
// reach the player in the order they were started, also while the player is still starting
// up; each ends within its timeout and a second from its turn, and one that fails says so
// where the user sees it.

#include "base/BackgroundCall.h"

#include "Command.h"
#include "Report.h"
#include "SessionBus.h"
#include "Spawn.h"
#include "Targets.h"
#include "Turns.h"

#include <dbus/dbus.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace liedspur::adapter {
namespace {

using namespace std::chrono_literals;

// How long a player that has just taken its name on the bus is left to finish starting.
constexpr auto playerSettling = 500ms;
// How often a player that dies while starting up gets another go.
constexpr int playerStarts = 3;
// The launcher's turn pipe, closed once this command has its turn.
constexpr int launcherTurnDescriptor = 3;
// How long the player gets to answer when no LIEDSPUR_PLAYER_TIMEOUT says otherwise.
constexpr double defaultTimeoutSeconds = 10;
// What a command has beyond its timeout to show why it failed.
constexpr auto reportTime = 1s;
// How long one question to the bus itself may take.
constexpr auto busQuestion = 500ms;

std::chrono::milliseconds answerTimeout() {
    const char* text = std::getenv("LIEDSPUR_PLAYER_TIMEOUT");
    char* end = nullptr;
    const double seconds = text ? std::strtod(text, &end) : 0;
    const bool given = text && end != text && *end == '\0' && seconds > 0 && seconds < 3600;
    return std::chrono::milliseconds(
        static_cast<long long>((given ? seconds : defaultTimeoutSeconds) * 1000));
}

Failure notAnswering() {
    const long long seconds = std::chrono::ceil<std::chrono::seconds>(answerTimeout()).count();
    return {"Audacious antwortet nicht",
            "Keine Antwort nach " + std::to_string(seconds) + " Sekunden.", true};
}

using Delivery = Result<Success, Failure>;

// Starts the player unless one that an adapter started is still coming up.
Delivery startPlayerOnce(Turns& turns, int& starts) {
    std::optional<Failure> failure;
    turns.update([&](SharedState& state) {
        if (state.player.pid != 0 && state.player.alive())
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
        if (bus.playerOnTheBus(busQuestion))
            return true;
        bool starting = false;
        turns.update([&](SharedState& state) { starting = state.player.alive(); });
        if (!starting)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// Hands the songs to the player in one call, starting a player when none is on the bus.
Delivery deliver(SessionBus& bus, Turns& turns, Mode mode, const std::vector<std::string>& uris,
                 Clock::time_point deadline) {
    // Play replaces the playlist with the list and plays its first song; add appends it.
    const char* method = mode == Mode::Play ? "OpenList" : "AddList";
    int starts = 0;
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining <= 0ms)
            return notAnswering();
        const Result<Success, SessionBus::Error> called = bus.callPlayer(method, uris, remaining);
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
                std::this_thread::sleep_for(std::min<Clock::duration>(
                    playerSettling, std::max<Clock::duration>(deadline - Clock::now(), 0ms)));
        }
        std::this_thread::sleep_for(20ms);
    }
}

using Songs = Result<std::vector<std::string>, Failure>;
using Connection = Result<SessionBus, std::string>;

// The command in its turn, every step done by `deadline`.
Delivery carryOut(const Command& command, const std::string& target, BackgroundCall<Songs>& songs,
                  BackgroundCall<Connection>& bus, Turns& turns, Clock::time_point deadline) {
    Songs* found = songs.waitUntil(deadline);
    if (!found)
        return Failure{"Nicht erreichbar: " + target, "Das Laufwerk antwortet nicht."};
    if (!*found)
        return found->error();
    Connection* connection = bus.waitUntil(deadline);
    if (!connection)
        return Failure{"Audacious ist nicht erreichbar", "Die D-Bus-Sitzung antwortet nicht.",
                       true};
    if (!*connection)
        return Failure{"Audacious ist nicht erreichbar", "Es läuft keine D-Bus-Sitzung."};
    std::vector<std::string> uris;
    uris.reserve(found->value().size());
    for (const std::string& song : found->value())
        uris.push_back(fileUri(song));
    return deliver(connection->value(), turns, command.mode, uris, deadline);
}

int run(const std::vector<std::string>& arguments) {
    const std::optional<Command> command = parseArguments(arguments);
    if (!command) {
        std::fputs("Aufruf: winamp.exe ZIEL  oder  winamp.exe /add ZIEL\n"
                   "ZIEL ist eine Musikdatei oder ein Ordner.\n",
                   stderr);
        return 2;
    }
    const std::chrono::milliseconds timeout = answerTimeout();
    // Liedspur's launcher waits for the end of this command, or for this descriptor to
    // close, before it starts the next one; the player started here must not hold it.
    const bool launcherTurn = ::fcntl(launcherTurnDescriptor, F_SETFD, FD_CLOEXEC) == 0;
    std::string workingDirectory;
    if (char* cwd = ::getcwd(nullptr, 0)) {
        workingDirectory = cwd;
        std::free(cwd);
    }
    const std::string target = absolutePath(command->target, workingDirectory);

    // Looking at the target and connecting to the bus may block for as long as a drive or
    // the bus does not answer: both start now and are waited for within the turn only.
    BackgroundCall<Songs> songs([target] { return songsOf(target); });
    BackgroundCall<Connection> connection([] { return SessionBus::connect(); });
    Result<Turns, std::string> opened = Turns::open();
    Result<Success, std::string> joined =
        opened ? opened.value().join() : Result<Success, std::string>(opened.error());
    if (!joined) {
        const auto until = Clock::now() + reportTime;
        Connection* bus = connection.waitUntil(until);
        report({"Der Befehl an Audacious ist nicht möglich", joined.error()},
               bus && *bus ? &bus->value() : nullptr, nullptr, until);
        return 1;
    }
    Turns& turns = opened.value();
    if (turns.waitForTurn(timeout + reportTime) == Turns::Outcome::Doomed) {
        // The command before this one got no answer and has said so.
        std::fputs("winamp.exe: Der Befehl davor blieb ohne Antwort; dieser entfällt.\n", stderr);
        return 1;
    }
    // The launcher may start the next command now: it queues up right behind this one and
    // gets ready while this one talks to the player.
    if (launcherTurn)
        ::close(launcherTurnDescriptor);
    const Clock::time_point deadline = Clock::now() + timeout;
    const Delivery delivered = carryOut(*command, target, songs, connection, turns, deadline);
    if (!delivered) {
        Connection* bus = connection.waitUntil(Clock::now());
        report(delivered.error(), bus && *bus ? &bus->value() : nullptr, &turns,
               deadline + reportTime);
    }
    turns.leave(!delivered && delivered.error().playerSilent);
    return delivered ? 0 : 1;
}

} // namespace
} // namespace liedspur::adapter

int main(int argc, char* argv[]) {
    const int code = liedspur::adapter::run(std::vector<std::string>(argv + 1, argv + argc));
    // A thread still blocked on a drive or the bus that does not answer must not hold up
    // the end, nor see the program's objects destroyed under it.
    std::fflush(nullptr);
    std::_Exit(code);
}
