// Stands in for ssh between sshfs and a local sftp-server, delaying every byte in each
// direction by the same time: a network share with a known round trip, without a network.
//
//   latency_relay MICROSECONDS [ssh's arguments, ignored]
//
// sshfs runs it through `-o ssh_command="latency_relay 1000"`.

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes read from one descriptor and written to another once they are `delay` old.
class DelayedPipe {
public:
    DelayedPipe(int from, int to, std::chrono::microseconds delay)
        : m_from(from), m_to(to), m_delay(delay) {}

    void run() {
        std::thread writer([this] { write(); });
        char buffer[65536];
        while (true) {
            const ssize_t got = ::read(m_from, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            const std::lock_guard lock(m_mutex);
            if (got <= 0) {
                m_ended = true;
                m_ready.notify_one();
                break;
            }
            m_chunks.push_back({Clock::now() + m_delay, std::string(buffer, std::size_t(got))});
            m_ready.notify_one();
        }
        writer.join();
        ::close(m_to);
    }

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };

    void write() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_ready.wait(lock, [this] { return m_ended || !m_chunks.empty(); });
            if (m_chunks.empty())
                return;
            Chunk chunk = std::move(m_chunks.front());
            m_chunks.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(chunk.due);
            for (std::size_t done = 0; done < chunk.bytes.size();) {
                const ssize_t put =
                    ::write(m_to, chunk.bytes.data() + done, chunk.bytes.size() - done);
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0)
                    std::_Exit(0); // the other side is gone
                done += std::size_t(put);
            }
            lock.lock();
        }
    }

    int m_from;
    int m_to;
    std::chrono::microseconds m_delay;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Chunk> m_chunks;
    bool m_ended = false;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: latency_relay MICROSECONDS [ignored ...]\n");
        return 2;
    }
    const std::chrono::microseconds delay(std::atoll(argv[1]));
    std::signal(SIGPIPE, SIG_IGN);

    int toServer[2];
    int fromServer[2];
    if (::pipe(toServer) != 0 || ::pipe(fromServer) != 0)
        return 1;
    const pid_t server = ::fork();
    if (server < 0)
        return 1;
    if (server == 0) {
        ::dup2(toServer[0], 0);
        ::dup2(fromServer[1], 1);
        for (const int fd : {toServer[0], toServer[1], fromServer[0], fromServer[1]})
            ::close(fd);
        ::execl("/usr/lib/openssh/sftp-server", "sftp-server", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(toServer[0]);
    ::close(fromServer[1]);

    DelayedPipe up(0, toServer[1], delay);
    DelayedPipe down(fromServer[0], 1, delay);
    std::thread upThread([&] { up.run(); });
    down.run(); // ends when the server ends, after sshfs closed its side
    upThread.detach();
    int status = 0;
    ::waitpid(server, &status, 0);
    return 0;
}
