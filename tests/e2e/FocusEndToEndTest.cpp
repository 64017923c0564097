// The program on a real X server with a window manager: when a key on the list has to
// start the player, the player's window appears and the keyboard focus stays in the list.

#include "EndToEnd.h"

#include <QProcess>
#include <QStandardPaths>

namespace liedspur::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A program of the test that is ended with it.
struct Background : QProcess {
    explicit Background(const QString& program, const QStringList& arguments = {}) {
        start(program, arguments);
    }
    ~Background() override {
        terminate();
        if (!waitForFinished(3000))
            kill();
        waitForFinished(3000);
    }
};

std::string xdotool(const QStringList& arguments) {
    return run("xdotool", arguments).output;
}

class KeptFocus : public WithPlayer, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xprop", GetParam()})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << "needs " << tool;
        WithPlayer::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The adapter has to start the player, with its window.
        s_session->stopPlayer();
    }
    // The player that the program started goes with the test.
    void TearDown() override { s_session->stopPlayer(); }

    // An X server of its own: the display that LIEDSPUR_TEST_DISPLAY names, else a free one.
    std::string startServer() {
        const QByteArray given = qgetenv("LIEDSPUR_TEST_DISPLAY");
        // No reset when a client leaves, during which the next one would be refused.
        const QStringList screen = {"-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"};
        server = std::make_unique<Background>(
            "Xvfb", (given.isEmpty() ? QStringList{"-displayfd", "1"}
                                     : QStringList{":" + QString::fromLatin1(given)}) +
                        screen);
        if (!given.isEmpty())
            return ":" + given.toStdString();
        server->waitForReadyRead(10000);
        return ":" + server->readLine().trimmed().toStdString();
    }

    std::unique_ptr<Background> server;
};

TEST_P(KeptFocus, StaysInTheListWhenTheFirstKeyStartsThePlayer) {
    const ScopedVariable display("DISPLAY", startServer());
    const ScopedVariable platform("QT_QPA_PLATFORM", "xcb");
    ASSERT_TRUE(eventually([] { return run("xprop", {"-root"}).ok; }));
    Background windowManager(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(eventually([] {
        return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).output.find("# 0x") !=
               std::string::npos;
    })) << windowManager.readAllStandardError().toStdString()
        << server->readAllStandardError().toStdString();

    // A copy of the program with its adapter, over an index of two songs.
    for (const char* program : {LIEDSPUR_PROGRAM, LIEDSPUR_ADAPTER, LIEDSPUR_DIALOG})
        fs::copy_file(program, dir.file(fs::path(program).filename().string()));
    const Playlist songs = {song("eins.mp3"), song("zwei.mp3")};
    dir.writeIndex(songs, {dir.file("")});
    dir.write("Plattenbox.ini", dir.file("winamp.exe") + "\r\n");
    const Background program(QString::fromStdString(dir.file("liedspur")));
    std::string window;
    ASSERT_TRUE(eventually([&] {
        return !(window = xdotool({"search", "--name", "^Liedspur $"})).empty();
    }));
    xdotool({"windowactivate", "--sync", QString::fromStdString(window)});
    // "Alle Zeigen", then Space on the first song.
    xdotool({"key", "--delay", "200", "alt+a", "space"});
    ASSERT_TRUE(playlistBecomes({songs[0]}, 20s));
    ASSERT_TRUE(eventually([] {
        return !xdotool({"search", "--onlyvisible", "--name", "Audacious"}).empty();
    }));
    const auto focused = [&] { return xdotool({"getactivewindow"}) == window; };
    EXPECT_TRUE(eventually(focused, 3s));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(focused()) << "active: " << xdotool({"getactivewindow", "getwindowname"});
    // The next keys go to the list: the second song is added.
    xdotool({"key", "--delay", "100", "Down", "space"});
    EXPECT_TRUE(playlistBecomes(songs));
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, KeptFocus,
                         ::testing::Values("openbox", "metacity", "xfwm4"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace liedspur::testing
