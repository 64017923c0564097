#include "player/PlayerCommands.h"

#include "FakePlatform.h"
#include "FixedResultList.h"
#include "Snapshots.h"

#include <gtest/gtest.h>

#include <utility>

namespace liedspur {
namespace {

using testing::FakePlatform;
using Arguments = std::vector<std::string>;
using Handler = void (PlayerCommands::*)();

const std::string player = "/opt/Win Amp/winamp.exe";

// Song rows 1 and 2, folder rows 1 and 2: a folder with blanks and the root.
const IndexPtr index = testing::makeSnapshot({"/Musik/Mit Blank/Lied \"Ä\" 'x'.mp3", "/Wurzel.mp3"},
                                             {"/Musik/Mit Blank/", "/"});

ResultRow song(std::size_t number) {
    return {index, RowKind::Song, number};
}
ResultRow folder(std::size_t number) {
    return {index, RowKind::Folder, number};
}

std::vector<ResultRow> songs(const std::vector<std::string>& paths) {
    const IndexPtr snapshot = testing::makeSnapshot(paths);
    std::vector<ResultRow> rows;
    for (std::size_t i = 1; i <= paths.size(); ++i)
        rows.emplace_back(snapshot, RowKind::Song, i);
    return rows;
}

class Commands : public ::testing::Test {
protected:
    PlayerCommands commands{fake.platform(),
                            {list, [this] { return folderMode; }, [] { return player + " "; },
                             [this] {
                                 ++yields;
                                 if (onYield)
                                     onYield();
                             }}};

    std::vector<Arguments> startedArguments() const {
        std::vector<Arguments> arguments;
        for (const LaunchRequest& request : fake.processes.started)
            arguments.push_back(request.arguments);
        return arguments;
    }

    FakePlatform fake;
    testing::FixedResultList list;
    bool folderMode = false;
    int yields = 0;
    std::function<void()> onYield;
};

const MessageRequest startFailure{QStringLiteral("Fehler beim Starten von WinAmp"),
                                  QStringLiteral("Shell-Error"), MessageButtons::Ok,
                                  MessageIcon::Critical};

const std::vector<std::pair<const char*, Handler>> allHandlers = {
    {"LiedAbspielen", &PlayerCommands::LiedAbspielen_Click},
    {"InWinAmpList", &PlayerCommands::InWinAmpList_Click},
    {"OpenMitAmp", &PlayerCommands::OpenMitAmp_Click},
    {"AlleInPlaylist", &PlayerCommands::AlleInPlaylist_Click},
    {"AlleInWinamp", &PlayerCommands::AlleInWinamp_Click},
    {"ListeEinfügen", &PlayerCommands::ListeEinfügen_Click},
    {"OpenInExplorer", &PlayerCommands::OpenInExplorer_Click},
};

struct SingleRowCase {
    const char* name;
    Handler handler;
    bool folderMode;
    ResultRow row;
    LaunchRequest::Target target;
    Arguments arguments;
};

void PrintTo(const SingleRowCase& c, std::ostream* out) {
    *out << c.name;
}

class SingleRowCommands : public Commands, public ::testing::WithParamInterface<SingleRowCase> {};

TEST_P(SingleRowCommands, StartOneCommandForTheSelectedRow) {
    const SingleRowCase& c = GetParam();
    folderMode = c.folderMode;
    list.rows = {song(1), c.row, folder(1)};
    list.selected = 2;

    (commands.*c.handler)();

    ASSERT_EQ(fake.processes.started.size(), 1u);
    const LaunchRequest& started = fake.processes.started[0];
    EXPECT_EQ(started.target, c.target);
    EXPECT_EQ(started.arguments, c.arguments);
    if (c.target == LaunchRequest::Target::Player) {
        EXPECT_EQ(started.program, player);
        EXPECT_EQ(started.style, WindowStyle::NormalNoFocus);
    } else {
        EXPECT_EQ(started.style, WindowStyle::NormalFocus);
    }
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

constexpr auto Player = LaunchRequest::Target::Player;
constexpr auto FileManager = LaunchRequest::Target::FileManager;
const std::string songPath = "/Musik/Mit Blank/Lied \"Ä\" 'x'.mp3";

INSTANTIATE_TEST_SUITE_P(
    Rows, SingleRowCommands,
    ::testing::Values(
        SingleRowCase{
            "PlaySong", &PlayerCommands::LiedAbspielen_Click, false, song(1), Player, {songPath}},
        SingleRowCase{"PlayFolderRowInFolderMode",
                      &PlayerCommands::LiedAbspielen_Click,
                      true,
                      folder(1),
                      Player,
                      {"/Musik/Mit Blank"}},
        SingleRowCase{"PlayRootFolderRow",
                      &PlayerCommands::LiedAbspielen_Click,
                      true,
                      folder(2),
                      Player,
                      {"/"}},
        SingleRowCase{"AddSong",
                      &PlayerCommands::InWinAmpList_Click,
                      false,
                      song(1),
                      Player,
                      {"/add", songPath}},
        SingleRowCase{"PlaySongsFolder",
                      &PlayerCommands::OpenMitAmp_Click,
                      false,
                      song(1),
                      Player,
                      {"/Musik/Mit Blank"}},
        SingleRowCase{"PlayFolderOfFolderRow",
                      &PlayerCommands::OpenMitAmp_Click,
                      true,
                      folder(1),
                      Player,
                      {"/Musik/Mit Blank"}},
        SingleRowCase{
            "PlayRootOfSong", &PlayerCommands::OpenMitAmp_Click, false, song(2), Player, {"/"}},
        SingleRowCase{"AddSongsFolder",
                      &PlayerCommands::AlleInPlaylist_Click,
                      false,
                      song(1),
                      Player,
                      {"/add", "/Musik/Mit Blank"}},
        SingleRowCase{"AddFolderRow",
                      &PlayerCommands::AlleInPlaylist_Click,
                      true,
                      folder(1),
                      Player,
                      {"/add", "/Musik/Mit Blank"}},
        SingleRowCase{"ExploreFolderWithItsSeparator",
                      &PlayerCommands::OpenInExplorer_Click,
                      false,
                      song(1),
                      FileManager,
                      {"/Musik/Mit Blank/"}},
        SingleRowCase{"ExploreRoot",
                      &PlayerCommands::OpenInExplorer_Click,
                      true,
                      folder(2),
                      FileManager,
                      {"/"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Commands, AnEmptyListDoesNothingAtAll) {
    fake.processes.failingProgram = player;
    for (const auto& [name, handler] : allHandlers) {
        (commands.*handler)();
        EXPECT_TRUE(fake.processes.started.empty()) << name;
        EXPECT_TRUE(fake.dialogs.messages.empty()) << name;
    }
}

TEST_F(Commands, WithoutASelectedRowOnlyPlayingComplains) {
    list.rows = {song(1), song(2)};
    for (const auto& [name, handler] : allHandlers) {
        if (handler == &PlayerCommands::AlleInWinamp_Click ||
            handler == &PlayerCommands::ListeEinfügen_Click)
            continue;
        fake.dialogs.messages.clear();
        (commands.*handler)();
        EXPECT_TRUE(fake.processes.started.empty()) << name;
        const bool complains = handler == &PlayerCommands::LiedAbspielen_Click;
        EXPECT_EQ(fake.dialogs.messages,
                  complains ? std::vector{startFailure} : std::vector<MessageRequest>{})
            << name;
    }
}

TEST_F(Commands, AVanishedPlayerIsReportedByPlayingAndTheCompleteLists) {
    list.rows = {song(1), song(2)};
    list.selected = 1;
    fake.processes.failingProgram = player;
    for (const auto& [name, handler] : allHandlers) {
        fake.dialogs.messages.clear();
        (commands.*handler)();
        const bool complains = handler == &PlayerCommands::LiedAbspielen_Click ||
                               handler == &PlayerCommands::AlleInWinamp_Click ||
                               handler == &PlayerCommands::ListeEinfügen_Click;
        EXPECT_EQ(fake.dialogs.messages,
                  complains ? std::vector{startFailure} : std::vector<MessageRequest>{})
            << name;
    }
    // Only the file manager could start.
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].target, FileManager);
}

TEST_F(Commands, PlayingTheListReplacesWithRowOneAndAddsTheRestInOrder) {
    list.rows = songs({"/a/1.mp3", "/b c/2.mp3", "/d/3.mp3"});
    list.selected = 2;
    commands.AlleInWinamp_Click();
    EXPECT_EQ(startedArguments(),
              (std::vector<Arguments>{{"/a/1.mp3"}, {"/add", "/b c/2.mp3"}, {"/add", "/d/3.mp3"}}));
    EXPECT_EQ(yields, 2);

    fake.processes.started.clear();
    commands.ListeEinfügen_Click();
    EXPECT_EQ(startedArguments(),
              (std::vector<Arguments>{
                  {"/add", "/a/1.mp3"}, {"/add", "/b c/2.mp3"}, {"/add", "/d/3.mp3"}}));
    EXPECT_EQ(yields, 5);
}

TEST_F(Commands, AOneRowListStartsOneCommand) {
    list.rows = songs({"/a/1.mp3"});
    commands.AlleInWinamp_Click();
    commands.ListeEinfügen_Click();
    EXPECT_EQ(startedArguments(), (std::vector<Arguments>{{"/a/1.mp3"}, {"/add", "/a/1.mp3"}}));
}

TEST_F(Commands, TheCompleteListsReadEachRowAfreshButKeepTheirCount) {
    list.rows = songs({"/a/1.mp3", "/a/2.mp3", "/a/3.mp3"});
    onYield = [this] { list.rows = songs({"/n/1.mp3", "/n/2.mp3", "/n/3.mp3", "/n/4.mp3"}); };
    commands.AlleInWinamp_Click();
    EXPECT_EQ(startedArguments(),
              (std::vector<Arguments>{{"/a/1.mp3"}, {"/add", "/a/2.mp3"}, {"/add", "/n/3.mp3"}}));
}

TEST_F(Commands, AListClearedMeanwhileEndsTheLoopQuietly) {
    list.rows = songs({"/a/1.mp3", "/a/2.mp3", "/a/3.mp3"});
    onYield = [this] { list.rows.clear(); };
    commands.ListeEinfügen_Click();
    EXPECT_EQ(startedArguments(), (std::vector<Arguments>{{"/add", "/a/1.mp3"}}));
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(Commands, APlayerVanishingDuringTheListStopsItWithOneMessage) {
    list.rows = songs({"/a/1.mp3", "/a/2.mp3", "/a/3.mp3", "/a/4.mp3"});
    onYield = [this] {
        if (yields == 2)
            fake.processes.failingProgram = player;
    };
    commands.AlleInWinamp_Click();
    EXPECT_EQ(startedArguments(),
              (std::vector<Arguments>{{"/a/1.mp3"}, {"/add", "/a/2.mp3"}, {"/add", "/a/3.mp3"}}));
    EXPECT_EQ(fake.dialogs.messages, std::vector{startFailure});
}

TEST_F(Commands, AGestureWhileTheListWaitsForThePlayerGoesInAtItsTurn) {
    // A player that takes its time for each command: the list waits for its turns, and
    // a song added meanwhile comes right after the start under way, not after the list.
    fake.processes.turn = std::chrono::milliseconds(20);
    list.rows = songs({"/a/1.mp3", "/a/2.mp3", "/a/3.mp3", "/a/4.mp3"});
    bool added = false;
    onYield = [&] {
        if (std::exchange(added, true))
            return;
        list.selected = 4;
        commands.InWinAmpList_Click();
    };
    commands.AlleInWinamp_Click();
    EXPECT_EQ(startedArguments(), (std::vector<Arguments>{{"/a/1.mp3"},
                                                          {"/add", "/a/2.mp3"},
                                                          {"/add", "/a/4.mp3"},
                                                          {"/add", "/a/3.mp3"},
                                                          {"/add", "/a/4.mp3"}}));
}

TEST_F(Commands, ClosingStopsTheListQuietlyAndStartsNothingMore) {
    fake.processes.turn = std::chrono::milliseconds(20);
    list.rows = songs({"/a/1.mp3", "/a/2.mp3", "/a/3.mp3"});
    list.selected = 1;
    onYield = [this] { commands.close(); };
    commands.AlleInWinamp_Click();
    commands.LiedAbspielen_Click();
    EXPECT_EQ(startedArguments(), (std::vector<Arguments>{{"/a/1.mp3"}}));
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

} // namespace
} // namespace liedspur
