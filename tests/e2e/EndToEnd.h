#pragma once

#include "PlayerSession.h"
#include "TempDir.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace liedspur::testing {

using Playlist = std::vector<std::string>;

// The desktop's notification server, as far as the adapter sees it: records what it is
// asked to show.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        std::uint32_t replaces;
        QString summary;
    };

    NotificationServer() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        registered = bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                        QDBusConnection::ExportAllSlots) &&
                     bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NotificationServer() override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    bool registered = false;
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString&, const QStringList&, const QVariantMap&, int) {
        shown.push_back({replaces, summary});
        return 7;
    }
};

// Sets an environment variable for the processes a test starts, and back after it.
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value)
        : name(name), old(qgetenv(name)), wasSet(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value.c_str());
    }
    ~ScopedVariable() { wasSet ? qputenv(name, old) : qunsetenv(name); }

    const char* name;
    QByteArray old;
    bool wasSet;
};

// Starts a program with these arguments, without waiting; 0 when it cannot start.
inline pid_t startProgram(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    return ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// The exit code of a program started so, once it has ended; events run meanwhile.
inline std::optional<int> exitCode(pid_t pid,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    int status = 0;
    if (!eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeout))
        return std::nullopt;
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

// The lines of a file, none when there is none.
inline std::vector<std::string> linesOf(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

// Waits for the player's playlist to become `expected`, and says what it was else.
inline ::testing::AssertionResult
playlistBecomes(const Playlist& expected,
                std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    std::optional<Playlist> last;
    if (eventually([&] { return (last = PlayerSession::playlist()) == expected; }, timeout))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "playlist:";
    for (const std::string& song : last.value_or(Playlist{"(no answer)"}))
        failure << "\n  " << song;
    return failure;
}

// The tests of a suite share a headless player on a session of their own; each test finds
// it running with an empty playlist, and a short tone as "ton.mp3" in its folder.
class WithPlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_session = std::make_unique<PlayerSession>(); }
    static void TearDownTestSuite() { s_session.reset(); }

    void SetUp() override {
        if (!s_session->missing().empty())
            GTEST_SKIP() << s_session->missing();
        if (!PlayerSession::playerAnswers()) {
            ASSERT_TRUE(s_session->startPlayer());
        }
        ASSERT_TRUE(run("audtool", {"playlist-clear"}).ok);
        ASSERT_TRUE(PlayerSession::makeTone(dir.file("ton.mp3"))) << "sox made no MP3";
    }
    // Ends the scripts still running, but one that became the player: the session ends that.
    void TearDown() override {
        const std::vector<std::string> pids = linesOf(dir.file("scripts"));
        const pid_t player = pids.empty() ? 0 : PlayerSession::playerProcess();
        for (const std::string& pid : pids)
            if (std::stoi(pid) != player)
                ::kill(std::stoi(pid), SIGKILL);
    }

    // A song under `name` in the test's folder; its path.
    std::string song(const std::string& name) {
        dir.makeDirectory(std::filesystem::path(name).parent_path().string());
        std::filesystem::create_hard_link(dir.file("ton.mp3"), dir.file(name));
        return dir.file(name);
    }
    // A shell script "bin/`name`" in the test's folder that notes its process; its path.
    std::string script(const std::string& name, const std::string& body) {
        dir.makeDirectory("bin");
        const std::string path = dir.file("bin/" + name);
        writeFileBytes(path, "#!/bin/sh\necho $$ >> '" + dir.file("scripts") + "'\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    bool scriptsEnded() const {
        return std::ranges::none_of(linesOf(dir.file("scripts")), [](const std::string& pid) {
            const auto status = processStatus(pid);
            return status && status->state != 'Z';
        });
    }

    static inline std::unique_ptr<PlayerSession> s_session;
    TempDir dir;
};

} // namespace liedspur::testing
