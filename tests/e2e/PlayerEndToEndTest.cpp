#include "platform/linux/PosixProcessStarter.h"
#include "player/PlayerCommands.h"
#include "player/PlayerLocation.h"

#include "FakePlatform.h"
#include "FixedResultList.h"
#include "Snapshots.h"
#include "TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace liedspur {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Playlist = std::vector<std::string>;
namespace fs = std::filesystem;

bool onPath(const std::string& program) {
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(path, folder, ':');)
        if (::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

struct Finished {
    bool ok = false;
    std::string output;
};

Finished run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Otherwise audtool prints every letter beyond ASCII as "?".
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(10000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    std::string output = process.readAllStandardOutput().toStdString();
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return {ok, output};
}

Finished audtool(const QStringList& arguments) {
    return run(QStringLiteral("audtool"), arguments);
}

bool playerAnswers() {
    return audtool({QStringLiteral("playlist-length")}).ok;
}

std::optional<Playlist> playlist() {
    const Finished length = audtool({QStringLiteral("playlist-length")});
    if (!length.ok)
        return std::nullopt;
    Playlist songs;
    for (int i = 1, n = std::atoi(length.output.c_str()); i <= n; ++i) {
        const Finished song =
            audtool({QStringLiteral("playlist-song-filename"), QString::number(i)});
        if (!song.ok)
            return std::nullopt;
        songs.push_back(song.output);
    }
    return songs;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool gone(pid_t pid) {
    if (::kill(pid, 0) != 0)
        return true;
    // An ended process whose parent does not reap it counts as gone too.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

void stop(pid_t pid) {
    if (pid <= 0)
        return;
    if (!eventually([pid] { return gone(pid); }, 3s))
        ::kill(pid, SIGKILL);
}

std::optional<std::string> sdlOutputPlugin() {
    for (const fs::path root : {"/usr/lib", "/usr/lib64", "/usr/local/lib"}) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
            const fs::path plugin = entry.path() / "audacious/Output/sdlout.so";
            if (fs::exists(plugin, error))
                return plugin.string();
        }
        if (fs::exists(root / "audacious/Output/sdlout.so", error))
            return (root / "audacious/Output/sdlout.so").string();
    }
    return std::nullopt;
}

// A private session bus and a headless player with a fresh configuration, shared by the
// tests of one run and shut down by their process ids.
class PlayerEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* tool : {"audacious", "audtool", "dbus-daemon", "dbus-send", "sox"})
            if (!onPath(tool)) {
                s_skipReason = std::string("needs ") + tool;
                return;
            }
        const std::optional<std::string> plugin = sdlOutputPlugin();
        if (!plugin) {
            s_skipReason = "needs the SDL output plugin of Audacious";
            return;
        }
        s_dir = std::make_unique<testing::TempDir>();
        // The player keeps its playlist in its configuration, so each run starts empty;
        // the SDL output with its dummy driver plays without a sound card.
        s_dir->makeDirectory("config/audacious");
        s_dir->write("config/audacious/plugin-registry",
                     "format 11\noutput " + *plugin +
                         "\nstamp 1\nversion 48\nflags 0\nname SDL Output\ndomain "
                         "audacious-plugins\npriority 0\nabout 1\nconfig 0\nenabled 1\n");
        ::setenv("XDG_CONFIG_HOME", s_dir->file("config").c_str(), 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        // Whatever the adapter starts has no window.
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");

        const Finished bus =
            run(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--fork"),
                 QStringLiteral("--print-address=1"), QStringLiteral("--print-pid=1")});
        std::istringstream busLines(bus.output);
        std::string address;
        std::getline(busLines, address);
        busLines >> s_bus;
        if (!bus.ok || address.empty() || s_bus <= 0) {
            s_skipReason = "no session bus could be started";
            return;
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        s_player = startPlayer();
    }

    static void TearDownTestSuite() {
        if (s_player > 0)
            audtool({QStringLiteral("shutdown")});
        stop(s_player);
        if (s_bus > 0) {
            ::kill(s_bus, SIGTERM);
            stop(s_bus);
        }
        s_dir.reset();
    }

    static pid_t startPlayer() {
        // Audacious now and then dies while it starts up; it gets a few goes.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QProcess player;
            player.setProgram(QStringLiteral("audacious"));
            player.setArguments({QStringLiteral("-H")});
            player.setStandardOutputFile(QProcess::nullDevice());
            player.setStandardErrorFile(QProcess::nullDevice());
            qint64 pid = 0;
            if (!player.startDetached(&pid))
                return 0;
            // Asked too early, while it loads its plugins, Audacious may abort.
            std::this_thread::sleep_for(500ms);
            if (eventually([pid] { return playerAnswers() || gone(pid_t(pid)); }, 10s) &&
                playerAnswers())
                return static_cast<pid_t>(pid);
            stop(static_cast<pid_t>(pid));
        }
        return 0;
    }

    void SetUp() override {
        if (!s_skipReason.empty())
            GTEST_SKIP() << s_skipReason;
        ASSERT_GT(s_player, 0) << "the player did not answer";
        ASSERT_EQ(::access(LIEDSPUR_ADAPTER, X_OK), 0) << "the adapter is not built";
        app.write("Plattenbox.ini", std::string(LIEDSPUR_ADAPTER) + "\r\n");
        system.appDirectory = app.path();
        ASSERT_TRUE(location.FindPlayer());
        ASSERT_TRUE(dialogs.messages.empty());

        const Finished made =
            run(QStringLiteral("sox"),
                {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("8000"),
                 QStringLiteral("-c"), QStringLiteral("1"),
                 QString::fromStdString(app.file("ton.mp3")), QStringLiteral("synth"),
                 QStringLiteral("3"), QStringLiteral("sine"), QStringLiteral("440")});
        ASSERT_TRUE(made.ok) << "sox made no MP3";
        std::vector<std::string> songs;
        for (int i = 1; i <= 30; ++i) {
            const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
            songs.push_back(music.file("Grüße aus Köln/Lied " + number + " \"Zitat\" O'Neil.mp3"));
        }
        songs.push_back(music.file("Ordner mit Blank/1 eins.mp3"));
        songs.push_back(music.file("Ordner mit Blank/2 zwei.mp3"));
        music.makeDirectory("Grüße aus Köln");
        music.makeDirectory("Ordner mit Blank");
        for (const std::string& song : songs)
            fs::copy_file(app.file("ton.mp3"), song);
        index = testing::makeSnapshot(songs);
    }

    void TearDown() override {
        // Hands over what still waits before the next test looks at the playlist.
        starter.reset();
    }

    // The song rows of the index, from `first`, `count` of them.
    std::vector<ResultRow> rows(std::size_t first, std::size_t count) const {
        std::vector<ResultRow> result;
        for (std::size_t i = first; i < first + count; ++i)
            result.emplace_back(index, RowKind::Song, i);
        return result;
    }
    static Playlist targets(const std::vector<ResultRow>& rows) {
        Playlist paths;
        for (const ResultRow& row : rows)
            paths.push_back(row.songTarget());
        return paths;
    }

    void selectRow(std::size_t number) {
        list.rows = rows(number, 1);
        list.selected = 1;
    }

    // Waits for the player's playlist to become `expected`, and says what it was else.
    ::testing::AssertionResult playlistBecomes(const Playlist& expected,
                                               std::chrono::milliseconds timeout = 15s) {
        std::optional<Playlist> last;
        if (eventually([&] { return (last = playlist()) == expected; }, timeout))
            return ::testing::AssertionSuccess();
        auto failure = ::testing::AssertionFailure() << "playlist:";
        for (const std::string& song : last.value_or(Playlist{"(no answer)"}))
            failure << "\n  " << song;
        return failure;
    }

    static inline std::string s_skipReason;
    static inline std::unique_ptr<testing::TempDir> s_dir;
    static inline pid_t s_bus = 0;
    static inline pid_t s_player = 0;

    testing::TempDir app;
    testing::TempDir music;
    IndexPtr index;
    testing::ScriptedDialogs dialogs;
    testing::FakeSystem system;
    std::unique_ptr<PosixProcessStarter> starter = std::make_unique<PosixProcessStarter>();
    Platform platform{dialogs, *starter, system};
    PlayerLocation location{platform};
    testing::FixedResultList list;
    PlayerCommands commands{
        platform, {list, [] { return false; }, [this] { return location.playerPath(); }, {}}};
};

TEST_F(PlayerEndToEnd, PlaysASongThenAddsASongAndAFolder) {
    selectRow(1);
    commands.LiedAbspielen_Click();
    ASSERT_TRUE(playlistBecomes({rows(1, 1)[0].songTarget()}));
    EXPECT_TRUE(eventually(
        [] { return audtool({QStringLiteral("playback-status")}).output == "playing"; }, 5s));

    selectRow(2);
    commands.InWinAmpList_Click();
    ASSERT_TRUE(playlistBecomes(targets(rows(1, 2))));

    selectRow(31);
    commands.AlleInPlaylist_Click();
    Playlist expected = targets(rows(1, 2));
    expected.push_back(music.file("Ordner mit Blank/1 eins.mp3"));
    expected.push_back(music.file("Ordner mit Blank/2 zwei.mp3"));
    EXPECT_TRUE(playlistBecomes(expected));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PlayerEndToEnd, PlayingTheCompleteListKeepsItsOrderEveryTime) {
    for (std::size_t pass = 0; pass < 10; ++pass) {
        // A different first song each pass, so each pass has its own playlist to wait for.
        std::vector<ResultRow> listed = rows(1, 30);
        std::rotate(listed.begin(), listed.begin() + pass * 3, listed.end());
        list.rows = listed;
        list.selected = 15;
        commands.AlleInWinamp_Click();
        ASSERT_TRUE(playlistBecomes(targets(listed), 30s)) << "pass " << pass;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PlayerEndToEnd, AppendingTheCompleteListKeepsThePlaylist) {
    selectRow(30);
    commands.LiedAbspielen_Click();
    ASSERT_TRUE(playlistBecomes(targets(rows(30, 1))));

    list.rows = rows(1, 8);
    commands.ListeEinfügen_Click();
    Playlist expected = targets(rows(30, 1));
    for (const std::string& song : targets(rows(1, 8)))
        expected.push_back(song);
    EXPECT_TRUE(playlistBecomes(expected));
}

TEST_F(PlayerEndToEnd, TheAdapterStartsAPlayerWhenNoneRuns) {
    audtool({QStringLiteral("shutdown")});
    stop(s_player);
    s_player = 0;
    ASSERT_FALSE(playerAnswers());

    list.rows = rows(5, 3);
    commands.AlleInWinamp_Click();
    EXPECT_TRUE(playlistBecomes(targets(rows(5, 3))));
    // The new player is the one to shut down at the end.
    const Finished owner =
        run(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
             QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus.GetConnectionUnixProcessID"),
             QStringLiteral("string:org.atheme.audacious")});
    const auto number = owner.output.find_last_of(' ');
    if (owner.ok && number != std::string::npos)
        s_player = static_cast<pid_t>(std::atol(owner.output.c_str() + number + 1));
    EXPECT_GT(s_player, 0);
}

} // namespace
} // namespace liedspur
