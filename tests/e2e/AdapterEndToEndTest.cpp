// The player adapter on its own, as the program, a file manager or a script calls it,
// against a headless Audacious read back with audtool.

#include "EndToEnd.h"

#include <cstdlib>

namespace liedspur::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class Adapter : public WithPlayer {
protected:
    // A copy of the adapter whose dialog only notes the headline it shows and stays open
    // while the file "open" exists; the dialogs' headlines go to the file "shown".
    std::string withDialogStandIn() {
        script("liedspur-meldung", "echo \"$1\" >> '" + dir.file("shown") + "'\n[ -e '" +
                                       dir.file("open") + "' ] && exec sleep 30\n");
        fs::copy_file(LIEDSPUR_ADAPTER, dir.file("bin/winamp.exe"));
        return dir.file("bin/winamp.exe");
    }
    Playlist shown() const { return linesOf(dir.file("shown")); }
};

struct FolderCase {
    const char* name;
    bool play;
    const char* target;
    // The songs the playlist gets; none for a failure.
    Playlist songs;
    // The failure shown.
    const char* shown = nullptr;
};

TEST_F(Adapter, AFolderBringsItsOwnSongsInNameOrderOnceAndWhatHasNoneIsAFailure) {
    for (const char* name :
         {"A/02 zwei.mp3", "A/01 eins.mp3", "A/10 zehn.mp3", "A/b\xe4r mit Blank.mp3",
          "A/Sub/drei.mp3", "A/x.MP3", "A/y.wav", "A/z.flac", "Nur Unterordner/Sub/vier.mp3"})
        song(name);
    fs::create_symlink("01 eins.mp3", dir.file("A/link.mp3"));
    fs::create_symlink("fort.mp3", dir.file("A/tot.mp3"));
    dir.makeDirectory("Leer");
    // The first failure's dialog is closed at once; the second one's stays open, and the
    // failures after it join it.
    const std::string adapter = withDialogStandIn();
    const ScopedVariable display("DISPLAY", ":0");
    const Playlist a = {"A/01 eins.mp3", "A/02 zwei.mp3", "A/10 zehn.mp3", "A/b\xe4r mit Blank.mp3",
                        "A/link.mp3"};
    const FolderCase cases[] = {
        {"OwnSongs", false, "A", a},
        {"Song", false, "A/02 zwei.mp3", {"A/02 zwei.mp3"}},
        {"PlayReplaces", true, "A", a},
        {"Empty", false, "Leer", {}, "Keine Songs im Ordner: "},
        {"OnlySubfolders", false, "Nur Unterordner", {}, "Keine Songs im Ordner: "},
        {"Gone", true, "fort", {}, "Nicht gefunden: "},
        {"DanglingLink", false, "A/tot.mp3", {}, "Nicht gefunden: "},
        {"Root", false, "/", {}, "Keine Songs im Ordner: "},
    };
    Playlist playlist, failures;
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = c.target[0] == '/' ? c.target : dir.file(c.target);
        std::vector<std::string> command = {adapter, target};
        if (!c.play)
            command.insert(command.begin() + 1, "/add");
        const auto before = Clock::now();
        ASSERT_EQ(exitCode(startProgram(command)), c.shown ? 1 : 0);
        EXPECT_LT(Clock::now() - before, 2s);
        if (c.play && !c.shown)
            playlist.clear();
        for (const std::string& name : c.songs)
            playlist.push_back(dir.file(name));
        ASSERT_TRUE(playlistBecomes(playlist));
        if (!c.shown)
            continue;
        failures.push_back(c.shown + target);
        if (failures.size() == 1) {
            ASSERT_TRUE(eventually([&] { return shown().size() == 1 && scriptsEnded(); }));
            writeFileBytes(dir.file("open"), "");
        }
    }
    EXPECT_TRUE(eventually([&] { return shown().size() == 2; }));
    EXPECT_EQ(shown(), Playlist(failures.begin(), failures.begin() + 2));
    EXPECT_EQ(linesOf(std::string(std::getenv("XDG_RUNTIME_DIR")) + "/liedspur-winamp/failures"),
              Playlist(failures.begin() + 1, failures.end()));
}

TEST_F(Adapter, TwoHundredCallsAtOnceAllLandInTheOrderTheyJoined) {
    Playlist songs;
    for (int i = 0; i < 200; ++i)
        songs.push_back(song("viele/Lied " + std::to_string(1000 - i) + ".mp3"));
    // The player answers nothing until all have joined: they queue up behind the first.
    const pid_t player = PlayerSession::playerProcess();
    ASSERT_NE(player, 0);
    ::kill(player, SIGSTOP);
    const ScopedVariable timeout("LIEDSPUR_PLAYER_TIMEOUT", "30");
    const std::string wakePipe = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/liedspur-winamp/w";
    std::vector<pid_t> calls;
    for (const std::string& path : songs) {
        calls.push_back(startProgram({LIEDSPUR_ADAPTER, "/add", path}));
        // A call has joined once its pipe for the wake-up is there.
        ASSERT_TRUE(
            eventually([&] { return fs::exists(wakePipe + std::to_string(calls.back())); }));
    }
    const auto resumed = Clock::now();
    ::kill(player, SIGCONT);
    for (const pid_t call : calls)
        EXPECT_EQ(exitCode(call), 0);
    EXPECT_LT(Clock::now() - resumed, 5s);
    EXPECT_TRUE(playlistBecomes(songs));
}

struct Silence {
    const char* name;
    bool bus;
    const char* shown;
};

class SilentService : public Adapter, public ::testing::WithParamInterface<Silence> {};

TEST_P(SilentService, EndsEveryCallWithinItsBoundAndSaysSoOnce) {
    const Silence& c = GetParam();
    const std::string adapter = withDialogStandIn();
    const std::string path = song("Lied.mp3");
    const ScopedVariable display("DISPLAY", ":0");
    const ScopedVariable timeout("LIEDSPUR_PLAYER_TIMEOUT", "1.5");
    const pid_t stopped = c.bus ? s_session->busProcess() : PlayerSession::playerProcess();
    ASSERT_NE(stopped, 0);
    ::kill(stopped, SIGSTOP);
    const auto begin = Clock::now();
    std::vector<pid_t> calls;
    for (int i = 0; i < 3; ++i)
        calls.push_back(startProgram({adapter, "/add", path}));
    for (const pid_t call : calls)
        EXPECT_EQ(exitCode(call), 1);
    // The first call's timeout and a second; those behind it fail alike at once.
    EXPECT_LT(Clock::now() - begin, 3s);
    ::kill(stopped, SIGCONT);
    EXPECT_TRUE(eventually([&] { return scriptsEnded() && shown() == Playlist{c.shown}; }));
}

INSTANTIATE_TEST_SUITE_P(Stopped, SilentService,
                         ::testing::Values(Silence{"Bus", true, "Audacious ist nicht erreichbar"},
                                           Silence{"Player", false, "Audacious antwortet nicht"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace liedspur::testing
