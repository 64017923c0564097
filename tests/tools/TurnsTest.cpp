#include "Turns.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace liedspur::adapter {
namespace {

using namespace std::chrono_literals;

// Commands in processes of their own, as the adapters are: each joins the queue, says so,
// says when its turn comes, and leaves when told to.
class TurnsOfCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_RUNTIME_DIR", dir.file("").c_str(), 1);
        ASSERT_EQ(::pipe(m_said), 0);
    }
    void TearDown() override {
        for (const Command& command : m_commands) {
            ::kill(command.pid, SIGKILL);
            ::waitpid(command.pid, nullptr, 0);
        }
        ::unsetenv("XDG_RUNTIME_DIR");
    }

    struct Command {
        pid_t pid;
        int leave;
    };
    // A command named by one letter, which says "j" and its letter when it has joined and
    // its letter again when its turn comes.
    Command start(char name) {
        int leave[2];
        EXPECT_EQ(::pipe(leave), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            Result<Turns, std::string> turns = Turns::open();
            if (!turns || !turns.value().join())
                ::_exit(1);
            say(name);
            if (turns.value().waitForTurn(10s) == Turns::Outcome::MyTurn)
                say(static_cast<char>(name - 'a' + 'A'));
            char go;
            [[maybe_unused]] const ssize_t told = ::read(leave[0], &go, 1);
            turns.value().leave(false);
            ::_exit(0);
        }
        m_commands.push_back({pid, leave[1]});
        return m_commands.back();
    }
    void say(char what) { [[maybe_unused]] const ssize_t said = ::write(m_said[1], &what, 1); }
    static void letLeave(const Command& command) {
        [[maybe_unused]] const ssize_t told = ::write(command.leave, "g", 1);
    }
    // The next thing a command says, or 0 when none says anything within `patience`.
    char heard(std::chrono::milliseconds patience) {
        pollfd said{m_said[0], POLLIN, 0};
        char what = 0;
        if (::poll(&said, 1, static_cast<int>(patience.count())) == 1 &&
            ::read(m_said[0], &what, 1) != 1)
            what = 0;
        return what;
    }

    testing::TempDir dir;
    int m_said[2]{};
    std::vector<Command> m_commands;
};

TEST_F(TurnsOfCommands, AStoppedCommandIsOvertakenAndQueuesUpAgain) {
    const Command first = start('a');
    EXPECT_EQ(heard(2s), 'a');
    EXPECT_EQ(heard(2s), 'A');
    const Command second = start('b');
    EXPECT_EQ(heard(2s), 'b');
    const Command third = start('c');
    EXPECT_EQ(heard(2s), 'c');
    ::kill(second.pid, SIGSTOP);
    letLeave(first);
    // The turn handed to the stopped command passes on once its time to take it up is over.
    EXPECT_EQ(heard(5s), 'C');
    ::kill(second.pid, SIGCONT);
    EXPECT_EQ(heard(500ms), 0) << "two commands have the turn";
    letLeave(third);
    EXPECT_EQ(heard(2s), 'B');
}

} // namespace
} // namespace liedspur::adapter
