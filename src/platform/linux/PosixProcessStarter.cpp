#include "platform/linux/PosixProcessStarter.h"

#include "base/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace liedspur {

namespace {

using Clock = std::chrono::steady_clock;

// The spawn attributes every start shares: its own session, so that signals meant for this
// program (a Ctrl+C in its terminal) do not reach the player, and a clean signal state.
class SpawnAttributes {
public:
    SpawnAttributes() {
        ::posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&m_attributes, &none);
        ::posix_spawnattr_setsigdefault(&m_attributes, &all);
        ::posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                      POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

// The process id, or the error number of a start that could not happen.
struct Spawned {
    pid_t pid = 0;
    int error = 0;
};

// The descriptor on which a player gets its turn handshake (see the header).
constexpr int turnDescriptor = 3;

// Started programs read nothing from this program's terminal; a player also gets the
// write end of its turn pipe.
class FileActions {
public:
    explicit FileActions(int turnWriteEnd) {
        ::posix_spawn_file_actions_init(&m_actions);
        ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (turnWriteEnd >= 0)
            ::posix_spawn_file_actions_adddup2(&m_actions, turnWriteEnd, turnDescriptor);
    }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// This program's environment, with DESKTOP_STARTUP_ID set to `startupId` where it is not
// empty.
class Environment {
public:
    explicit Environment(const std::string& startupId) {
        constexpr std::string_view name = "DESKTOP_STARTUP_ID=";
        for (char** variable = environ; *variable; ++variable)
            if (startupId.empty() || !std::string_view(*variable).starts_with(name))
                m_variables.push_back(*variable);
        if (!startupId.empty()) {
            m_startupId = std::string(name) + startupId;
            m_variables.push_back(m_startupId.data());
        }
        m_variables.push_back(nullptr);
    }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    char* const* get() const { return m_variables.data(); }

private:
    std::string m_startupId;
    std::vector<char*> m_variables;
};

Spawned spawn(const std::string& program, const std::vector<std::string>& arguments,
              bool searchPath, int turnWriteEnd = -1, const std::string& startupId = {}) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    static const SpawnAttributes attributes;
    const FileActions actions(turnWriteEnd);
    const Environment environment(startupId);
    Spawned spawned;
    spawned.error = searchPath ? ::posix_spawnp(&spawned.pid, program.c_str(), actions.get(),
                                                attributes.get(), argv.data(), environment.get())
                               : ::posix_spawn(&spawned.pid, program.c_str(), actions.get(),
                                               attributes.get(), argv.data(), environment.get());
    return spawned;
}

// The system hands each argument on up to its first NUL byte: such a path would arrive cut.
bool holdsNul(const LaunchRequest& request) {
    const auto hasNul = [](const std::string& text) { return text.find('\0') != text.npos; };
    return hasNul(request.program) ||
           std::any_of(request.arguments.begin(), request.arguments.end(), hasNul);
}

void reap(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Returns once the player has closed its end of the turn pipe or has ended, whichever
// comes first; what it writes into the pipe is read and dropped.
void awaitTurnBack(pid_t pid, int turnReadEnd) {
    // A descriptor that becomes readable when the process ends.
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd watched[2] = {{turnReadEnd, POLLIN, 0}, {ended, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, ended >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ended >= 0 && watched[1].revents != 0)
            break;
        if (watched[0].revents != 0) {
            char dropped[256];
            const ssize_t n = ::read(turnReadEnd, dropped, sizeof dropped);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                break;
        }
    }
    if (ended >= 0)
        ::close(ended);
}

} // namespace

struct PosixProcessStarter::Shared : std::enable_shared_from_this<Shared> {
    explicit Shared(std::chrono::milliseconds limit) : turnLimit(limit) {}

    // Whether the next player start may go: the previous player has given its turn back,
    // has ended, or has had its time.
    bool playerTurnFree(Clock::time_point now) const {
        return previousEnded || now >= previousStart + turnLimit;
    }

    // Starts the player now and notes it as the one the next start waits for. Called with
    // `mutex` held, so that no other start can come in between.
    int startPlayer(const LaunchRequest& request, const std::string& startupId) {
        int turnPipe[2];
        if (::pipe2(turnPipe, O_CLOEXEC) != 0)
            return errno;
        const Spawned spawned =
            spawn(request.program, request.arguments, false, turnPipe[1], startupId);
        ::close(turnPipe[1]);
        if (spawned.error != 0) {
            ::close(turnPipe[0]);
            return spawned.error;
        }
        const std::uint64_t generation = ++previousGeneration;
        previousEnded = false;
        previousStart = Clock::now();
        try {
            std::thread([self = shared_from_this(), pid = spawned.pid, turnPipe, generation] {
                awaitTurnBack(pid, turnPipe[0]);
                ::close(turnPipe[0]);
                {
                    const std::lock_guard lock(self->mutex);
                    // A later start may already have taken the turn after the time limit.
                    if (self->previousGeneration == generation)
                        self->previousEnded = true;
                }
                self->changed.notify_all();
                reap(pid);
            }).detach();
        } catch (const std::system_error&) {
            // Without a thread to watch it the process is waited for by its time limit only.
            ::close(turnPipe[0]);
        }
        return 0;
    }

    const std::chrono::milliseconds turnLimit;

    std::mutex mutex;
    std::condition_variable changed;
    bool previousEnded = true;
    Clock::time_point previousStart;
    std::uint64_t previousGeneration = 0;
};

PosixProcessStarter::PosixProcessStarter(std::chrono::milliseconds playerTurnLimit)
    : m_shared(std::make_shared<Shared>(playerTurnLimit)),
      m_focus(std::make_unique<FocusKeeper>()) {}

PosixProcessStarter::~PosixProcessStarter() = default;

Status PosixProcessStarter::start(const LaunchRequest& request) {
    if (holdsNul(request))
        return Error{"Ein Pfad enthält ein NUL-Zeichen"};
    if (request.target == LaunchRequest::Target::FileManager) {
        const Spawned spawned = spawn(fileManagerProgram, request.arguments, true);
        if (spawned.error != 0)
            return systemError(spawned.error);
        try {
            std::thread([pid = spawned.pid] { reap(pid); }).detach();
        } catch (const std::system_error&) {
            // The program runs all the same; only its exit stays unreaped.
        }
        return success();
    }

    Shared& shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    // Bounded: the turn comes at the latest when the previous start has had its time.
    while (!shared.playerTurnFree(Clock::now()))
        shared.changed.wait_until(lock, shared.previousStart + shared.turnLimit);
    const std::string startupId =
        request.style == WindowStyle::NormalNoFocus ? m_focus->startupId() : std::string();
    if (const int error = shared.startPlayer(request, startupId); error != 0)
        return systemError(error);
    return success();
}

bool PosixProcessStarter::waitForPlayerTurn(std::chrono::milliseconds limit) {
    Shared& shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    const Clock::time_point until =
        std::min(Clock::now() + limit, shared.previousStart + shared.turnLimit);
    return shared.changed.wait_until(lock, until,
                                     [&] { return shared.playerTurnFree(Clock::now()); });
}

} // namespace liedspur
