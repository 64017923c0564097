#include "platform/linux/PosixProcessStarter.h"
#include "player/PlayerCommands.h"

#include "EndToEnd.h"
#include "FakePlatform.h"
#include "FixedResultList.h"
#include "Snapshots.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdlib>

namespace liedspur::testing {
namespace {

using namespace std::chrono_literals;

// The program's player commands through its own launcher, over ten songs whose names a
// shell or a URI would misread.
class PlayerEndToEnd : public WithPlayer {
protected:
    void SetUp() override {
        WithPlayer::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (int i = 101; i <= 110; ++i)
            songs.push_back(song("Grüße aus Köln/Lied " + std::to_string(i).substr(1) +
                                 " \"Zitat\" O'Neil #%?.mp3"));
        const IndexPtr index = makeSnapshot(songs);
        for (std::size_t i = 1; i <= songs.size(); ++i)
            list.rows.emplace_back(index, RowKind::Song, i);
    }

    Playlist songs;
    ScriptedDialogs dialogs;
    FakeSystem system;
    PosixProcessStarter starter;
    Platform platform{dialogs, starter, system};
    FixedResultList list;
    PlayerCommands commands{platform,
                            {list, [] { return std::string(LIEDSPUR_ADAPTER) + " "; },
                             [] { QCoreApplication::processEvents(); }}};
};

// The player comes up only this long after the adapter starts it; commands that come
// meanwhile wait their turn, the program's own turns running out long before.
class SlowPlayer : public PlayerEndToEnd, public ::testing::WithParamInterface<double> {};

TEST_P(SlowPlayer, GetsEveryCommandInOrderAndPlays) {
    s_session->stopPlayer();
    const std::string player =
        QStandardPaths::findExecutable(QStringLiteral("audacious")).toStdString();
    script("audacious", "sleep " + std::to_string(GetParam()) + "\nexec " + player + " \"$@\"");
    const ScopedVariable path("PATH", dir.file("bin:") + std::getenv("PATH"));
    // Room for a player that starts slowly on a busy machine besides the delay.
    const ScopedVariable timeout("LIEDSPUR_PLAYER_TIMEOUT", "15");
    commands.AlleInWinamp_Click();
    EXPECT_TRUE(playlistBecomes(songs, 40s));
    EXPECT_TRUE(eventually([] { return run("audtool", {"playback-status"}).output == "playing"; }));
    EXPECT_TRUE(dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(UpToTheTimeout, SlowPlayer, ::testing::Values(0.5, 3.0, 6.0));

struct FailureCase {
    const char* name;
    // The player on PATH, none for no player at all.
    const char* standIn;
    const char* shown;
};

class PlayerFailure : public PlayerEndToEnd, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PlayerFailure, IsShownOnceAsANotification) {
    const FailureCase& c = GetParam();
    s_session->stopPlayer();
    NotificationServer notifications;
    ASSERT_TRUE(notifications.registered);
    if (c.standIn)
        script("audacious", c.standIn);
    const ScopedVariable path("PATH", dir.file(c.standIn ? "bin" : "nowhere"));
    const ScopedVariable timeout("LIEDSPUR_PLAYER_TIMEOUT", "1.5");

    list.rows.erase(list.rows.begin() + 3, list.rows.end());
    commands.AlleInWinamp_Click();
    EXPECT_TRUE(eventually([] { return childrenNamed("winamp.exe", false) == 0; }));
    ASSERT_FALSE(notifications.shown.empty());
    // Each command failed; all after the first refresh the one notification shown.
    for (std::size_t i = 0; i < notifications.shown.size(); ++i) {
        EXPECT_EQ(notifications.shown[i].summary, QString::fromUtf8(c.shown));
        EXPECT_TRUE(i == 0 || notifications.shown[i].replaces == 7u);
    }
    EXPECT_FALSE(PlayerSession::playerAnswers());
}

INSTANTIATE_TEST_SUITE_P(NoPlayer, PlayerFailure,
                         ::testing::Values(FailureCase{"NotAnswering", "exec /bin/sleep 30",
                                                       "Audacious antwortet nicht"},
                                           FailureCase{"NotInstalled", nullptr,
                                                       "Audacious ist nicht installiert"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace liedspur::testing
