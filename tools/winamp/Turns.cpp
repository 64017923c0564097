#include "Turns.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace liedspur::adapter {

namespace {

// The process's state letter and start time from /proc, as the kernel keeps them.
bool readStat(pid_t pid, char& state, unsigned long long& startTime) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line))
        return false;
    // The command name may hold blanks and parentheses: the fields follow the last ")".
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(line.substr(close + 1));
    fields >> state;
    std::string skipped;
    for (int field = 4; field < 22; ++field)
        fields >> skipped;
    return static_cast<bool>(fields >> startTime);
}

// A folder only this user may use, not reached through a link.
Result<Success, std::string> usableFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return path + ": " + std::strerror(errno);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 0077) != 0)
        return path + ": gehört nicht allein diesem Benutzer";
    return Success{};
}

void writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n =
            ::pwrite(fd, text.data() + written, text.size() - written, static_cast<off_t>(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        written += static_cast<std::size_t>(n);
    }
}

} // namespace

ProcessId ProcessId::self() {
    return of(::getpid());
}

ProcessId ProcessId::of(pid_t pid) {
    ProcessId id{pid, 0};
    char state = 0;
    readStat(pid, state, id.startTime);
    return id;
}

bool ProcessId::alive() const {
    char state = 0;
    unsigned long long startTime = 0;
    return pid > 0 && readStat(pid, state, startTime) && startTime == this->startTime &&
           state != 'Z' && state != 'X';
}

Result<Turns, std::string> Turns::open() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime
                                   ? std::string(runtime) + "/liedspur-winamp"
                                   : "/tmp/liedspur-winamp-" + std::to_string(::getuid());
    if (const Result<Success, std::string> usable = usableFolder(folder); !usable)
        return usable.error();
    const std::string file = folder + "/state";
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return file + ": " + std::strerror(errno);
    return Turns(fd);
}

Turns::Turns(Turns&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_self(other.m_self) {}

Turns::~Turns() {
    if (m_fd >= 0)
        ::close(m_fd);
}

SharedState Turns::read() const {
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    SharedState state;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "player") {
            ProcessId player;
            if (fields >> player.pid >> player.startTime)
                state.player = player;
        } else if (kind == "waiting") {
            SharedState::Waiting waiting;
            if (fields >> waiting.process.pid >> waiting.process.startTime >> waiting.doomed)
                state.waiting.push_back(waiting);
        } else if (kind == "shown") {
            SharedState::Shown shown;
            if (fields >> shown.atMilliseconds >> shown.notification >> shown.dialog.pid >>
                shown.dialog.startTime) {
                std::getline(fields >> std::ws, shown.text);
                state.shown = shown;
            }
        }
    }
    return state;
}

void Turns::write(const SharedState& state) const {
    std::ostringstream text;
    if (state.player)
        text << "player " << state.player->pid << ' ' << state.player->startTime << '\n';
    if (state.shown)
        text << "shown " << state.shown->atMilliseconds << ' ' << state.shown->notification << ' '
             << state.shown->dialog.pid << ' ' << state.shown->dialog.startTime << ' '
             << state.shown->text << '\n';
    for (const SharedState::Waiting& waiting : state.waiting)
        text << "waiting " << waiting.process.pid << ' ' << waiting.process.startTime << ' '
             << waiting.doomed << '\n';
    const std::string bytes = text.str();
    writeAll(m_fd, bytes);
    while (::ftruncate(m_fd, static_cast<off_t>(bytes.size())) != 0 && errno == EINTR) {
    }
}

void Turns::update(const std::function<void(SharedState&)>& change) {
    while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    SharedState state = read();
    change(state);
    write(state);
    ::flock(m_fd, LOCK_UN);
}

void Turns::join() {
    update([this](SharedState& state) { state.waiting.push_back({m_self, false}); });
}

Turns::Outcome Turns::waitForTurn(Clock::time_point deadline) {
    using std::chrono::microseconds;
    auto pause = microseconds(500);
    for (;;) {
        std::optional<Outcome> outcome;
        bool next = false;
        const bool late = Clock::now() >= deadline;
        update([&](SharedState& state) {
            // A command whose adapter is gone never gets its turn.
            std::erase_if(state.waiting, [this](const SharedState::Waiting& waiting) {
                return !(waiting.process == m_self) && !waiting.process.alive();
            });
            const auto mine = std::find_if(
                state.waiting.begin(), state.waiting.end(),
                [this](const SharedState::Waiting& waiting) { return waiting.process == m_self; });
            if (mine == state.waiting.end() || mine->doomed)
                outcome = Outcome::Doomed;
            else if (mine == state.waiting.begin())
                outcome = Outcome::MyTurn;
            else if (late)
                outcome = Outcome::TimedOut;
            next = !outcome && mine == state.waiting.begin() + 1;
            if (outcome && *outcome != Outcome::MyTurn && mine != state.waiting.end())
                state.waiting.erase(mine);
        });
        if (outcome)
            return *outcome;
        // The next in line looks often, so that the turn passes at once; the others less.
        std::this_thread::sleep_for(next ? microseconds(500) : pause);
        pause = std::min(pause * 2, microseconds(20000));
    }
}

void Turns::leave(bool doomRest) {
    update([&](SharedState& state) {
        std::erase_if(state.waiting, [this](const SharedState::Waiting& waiting) {
            return waiting.process == m_self;
        });
        if (doomRest)
            for (SharedState::Waiting& waiting : state.waiting)
                waiting.doomed = true;
    });
}

} // namespace liedspur::adapter
