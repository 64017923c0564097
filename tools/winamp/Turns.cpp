#include "Turns.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace liedspur::adapter {

namespace {

using namespace std::chrono_literals;

// Changes with the layout below, so that an adapter of another version starts afresh.
constexpr std::uint32_t layoutVersion = 0x4c530003;
constexpr std::size_t slotCount = 4096;
// How long a command has to take up a turn handed to it before the next one takes over.
constexpr std::chrono::milliseconds claimTime = 2s;
// A turn counts as overdue only this long after its end, so that a command that ends right
// at its bound is not overtaken.
constexpr std::int64_t overdueMilliseconds = 250;

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

std::int64_t nowMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

// A descriptor that becomes readable when the process ends; -1 when it has ended already.
int watchEnd(const ProcessId& process) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, process.pid, 0));
    // Checked after opening: the number may have been taken over by another process.
    if (fd >= 0 && !process.alive()) {
        ::close(fd);
        errno = ESRCH;
        return -1;
    }
    return fd;
}

} // namespace

// Tickets are drawn in the order of joining; `serving` is the ticket whose turn it is.
// Each waiting command has a slot; the one that ends its turn wakes the next through the
// next one's pipe, and each waiting command watches the end of the one before it.
struct Turns::Queue {
    struct Slot {
        std::uint64_t ticket;
        ProcessId process;
    };

    std::uint32_t version;
    std::uint64_t nextTicket;
    std::uint64_t serving;
    // When the turn under way is over for sure (steady clock).
    std::int64_t turnEndsMilliseconds;
    // Commands with a lower ticket fail without asking the player.
    std::uint64_t doomedBelow;
    SharedState shared;
    Slot slots[slotCount];

    Slot& slot(std::uint64_t ticket) { return slots[ticket % slotCount]; }
    bool waiting(std::uint64_t ticket) {
        return slot(ticket).ticket == ticket && slot(ticket).process.alive();
    }
};

class Turns::Lock {
public:
    explicit Lock(int fd) : m_fd(fd) {
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~Lock() { ::flock(m_fd, LOCK_UN); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    int m_fd;
};

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
    std::string folder = runtime && *runtime ? std::string(runtime) + "/liedspur-winamp"
                                             : "/tmp/liedspur-winamp-" + std::to_string(::getuid());
    if (const Result<Success, std::string> usable = usableFolder(folder); !usable)
        return usable.error();
    const std::string file = folder + "/turns";
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return file + ": " + std::strerror(errno);
    const auto failed = [&] {
        const std::string reason = file + ": " + std::strerror(errno);
        ::close(fd);
        return reason;
    };
    const Lock lock(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return failed();
    const bool fresh = static_cast<std::size_t>(info.st_size) != sizeof(Queue);
    if (fresh && (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, sizeof(Queue)) != 0))
        return failed();
    void* mapped = ::mmap(nullptr, sizeof(Queue), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED)
        return failed();
    auto* queue = static_cast<Queue*>(mapped);
    if (fresh || queue->version != layoutVersion) {
        *queue = Queue{};
        queue->version = layoutVersion;
        queue->nextTicket = 1;
        queue->serving = 1;
    }
    return Turns(std::move(folder), fd, queue);
}

Turns::Turns(std::string folder, int fd, Queue* queue)
    : m_folder(std::move(folder)), m_fd(fd), m_queue(queue) {}

Turns::Turns(Turns&& other) noexcept
    : m_folder(std::move(other.m_folder)), m_fd(std::exchange(other.m_fd, -1)),
      m_queue(std::exchange(other.m_queue, nullptr)), m_wake(std::exchange(other.m_wake, -1)),
      m_ticket(std::exchange(other.m_ticket, 0)), m_self(other.m_self) {}

Turns::~Turns() {
    if (m_queue)
        leave(false);
    if (m_queue)
        ::munmap(m_queue, sizeof(Queue));
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string Turns::wakePath(pid_t pid) const {
    return m_folder + "/w" + std::to_string(pid);
}

Result<Success, std::string> Turns::join() {
    // The pipe exists before the ticket does, so that no wake-up can miss it. Held open for
    // writing too, it never reports an end, only bytes.
    const std::string path = wakePath(m_self.pid);
    ::unlink(path.c_str());
    if (::mkfifo(path.c_str(), 0600) != 0 ||
        (m_wake = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0)
        return path + ": " + std::strerror(errno);
    const Lock lock(m_fd);
    if (!takeTicket())
        return std::string("Zu viele Befehle warten auf Audacious.");
    return Success{};
}

bool Turns::takeTicket() {
    Queue& queue = *m_queue;
    const std::uint64_t ticket = queue.nextTicket;
    if (queue.waiting(ticket))
        return false;
    queue.slot(ticket) = {ticket, m_self};
    ++queue.nextTicket;
    m_ticket = ticket;
    return true;
}

Turns::Outcome Turns::waitForTurn(std::chrono::milliseconds turnLength) {
    for (;;) {
        ProcessId before;
        int timeout = -1;
        {
            const Lock lock(m_fd);
            Queue& queue = *m_queue;
            if (m_ticket < queue.doomedBelow) {
                handOn();
                queue.slot(m_ticket).ticket = 0;
                m_ticket = 0;
                return Outcome::Doomed;
            }
            // Overtaken: this command did not take up the turn handed to it in time (it was
            // stopped, or got no processor). It queues up again rather than wait for a turn
            // that has passed or talk to the player beside another command.
            if (m_ticket < queue.serving) {
                if (queue.slot(m_ticket).ticket == m_ticket)
                    queue.slot(m_ticket).ticket = 0;
                if (!takeTicket()) {
                    m_ticket = 0;
                    return Outcome::Doomed;
                }
                continue;
            }
            // The nearest command before this one that still waits or has the turn; those
            // in between have left or crashed.
            std::uint64_t previous = m_ticket;
            while (previous > queue.serving && !queue.waiting(previous - 1))
                --previous;
            const bool overdue =
                previous - 1 == queue.serving &&
                nowMilliseconds() > queue.turnEndsMilliseconds + overdueMilliseconds;
            if (previous == queue.serving || overdue) {
                queue.serving = m_ticket;
                queue.turnEndsMilliseconds = nowMilliseconds() + turnLength.count();
                return Outcome::MyTurn;
            }
            before = queue.slot(previous - 1).process;
            // Next in line: the turn under way is watched for its end too.
            if (previous - 1 == queue.serving)
                timeout = static_cast<int>(std::max<std::int64_t>(
                    queue.turnEndsMilliseconds + overdueMilliseconds - nowMilliseconds() + 1, 1));
        }
        const int ended = watchEnd(before);
        if (ended < 0 && errno == ESRCH)
            continue;
        pollfd watched[2] = {{m_wake, POLLIN, 0}, {ended, POLLIN, 0}};
        // Without pidfd (kernels before 5.3, or no descriptor left) an ended command is
        // noticed within 50 ms.
        ::poll(watched, ended >= 0 ? 2 : 1, ended >= 0 ? timeout : 50);
        if (ended >= 0)
            ::close(ended);
        char drained[64];
        while (::read(m_wake, drained, sizeof drained) > 0) {
        }
    }
}

void Turns::handOn() {
    Queue& queue = *m_queue;
    if (queue.serving != m_ticket)
        return;
    std::uint64_t next = m_ticket + 1;
    while (next < queue.nextTicket && !queue.waiting(next))
        ++next;
    queue.serving = next;
    queue.turnEndsMilliseconds = nowMilliseconds() + claimTime.count();
    // The next one takes the turn; the one after it now watches the turn for its end.
    std::uint64_t after = next + 1;
    while (after < queue.nextTicket && !queue.waiting(after))
        ++after;
    for (const std::uint64_t woken : {next, after}) {
        if (woken >= queue.nextTicket)
            break;
        const int fd = ::open(wakePath(queue.slot(woken).process.pid).c_str(),
                              O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
        ::close(fd);
    }
}

void Turns::leave(bool doomRest) {
    if (m_ticket != 0) {
        const Lock lock(m_fd);
        Queue& queue = *m_queue;
        if (doomRest)
            queue.doomedBelow = queue.nextTicket;
        handOn();
        if (queue.slot(m_ticket).ticket == m_ticket)
            queue.slot(m_ticket).ticket = 0;
        m_ticket = 0;
    }
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
        ::unlink(wakePath(m_self.pid).c_str());
    }
}

void Turns::update(const std::function<void(SharedState&)>& change) {
    const Lock lock(m_fd);
    change(m_queue->shared);
}

} // namespace liedspur::adapter
