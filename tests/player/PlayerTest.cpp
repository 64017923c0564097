#include "player/CommandLine.h"
#include "player/PlayerCommands.h"
#include "player/PlayerLocation.h"

#include "FakePlatform.h"
#include "FixedResultList.h"
#include "Snapshots.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

using OnFailure = PlayerCommands::OnFailure;
using Arguments = std::vector<std::string>;
using testing::FakePlatform;

const std::string player = "/opt/Win Amp/winamp.exe";

// The command lines' text is built too, but nothing reads it: the arguments are what counts.
TEST(CommandLines, HandTheTargetToThePlayerUnchanged) {
    // Quotes and bytes that are not UTF-8 reach the argument unchanged.
    const std::string target = "/Musik/Ä \"Zitat\" 'x' \xff\xfe.mp3";
    const CommandLine play = playCommand(player + " ", target);
    EXPECT_EQ(play.launch.program, player);
    EXPECT_EQ(play.launch.arguments, Arguments{target});
    EXPECT_EQ(addCommand(player + " ", target).launch.arguments, (Arguments{"/add", target}));
    EXPECT_EQ(explorerCommand("/Musik/Mit Blank/").launch.arguments,
              Arguments{"/Musik/Mit Blank/"});
}

// Song rows for "/a/1.mp3" and so on, or folder rows for "/f/1/". Both tables of the
// snapshot hold the paths; the rows' kind picks one.
std::vector<ResultRow> songs(const char* folder, std::initializer_list<int> numbers,
                             RowKind kind = RowKind::Song) {
    std::vector<std::string> paths;
    for (const int number : numbers)
        paths.push_back(folder + std::to_string(number) + (kind == RowKind::Song ? ".mp3" : "/"));
    const IndexPtr snapshot = testing::makeSnapshot(paths, paths);
    std::vector<ResultRow> rows;
    for (std::size_t i = 1; i <= paths.size(); ++i)
        rows.emplace_back(snapshot, kind, i);
    return rows;
}
std::vector<ResultRow> folders(std::initializer_list<int> numbers) {
    return songs("/f/", numbers, RowKind::Folder);
}

class Commands : public ::testing::Test {
public:
    // The starts as "P" (play) or "A" (add) and the song's number, such as "P1 A2".
    std::string started() const {
        std::string text;
        for (const LaunchRequest& request : fake.processes.started)
            text += (request.arguments.size() == 2 ? " A" : " P") +
                    request.arguments.back().substr(3, 1);
        return text.empty() ? text : text.substr(1);
    }

    testing::FakePlatform fake;
    testing::FixedResultList list;
    int yields = 0;
    // What the user does while the commands let window events run.
    std::function<void(int yield)> meanwhile = [](int) {};
    PlayerCommands commands{fake.platform(),
                            {list, [] { return player + " "; }, [this] { meanwhile(++yields); }}};
};

TEST_F(Commands, OnlyPlayingASongAndTheCompleteListsComplain) {
    const MessageRequest startFailure{QStringLiteral("Fehler beim Starten von WinAmp"),
                                      QStringLiteral("Shell-Error"), MessageButtons::Ok,
                                      MessageIcon::Critical};
    struct Case {
        const char* name;
        void (PlayerCommands::*handler)();
        // In an empty list, with no row selected, and with the player gone: "M" a message,
        // "-" none, "." not asked (the complete lists need no selected row).
        const char* complaints;
    };
    for (const Case& c : {Case{"LiedAbspielen", &PlayerCommands::LiedAbspielen_Click, "-MM"},
                          Case{"InWinAmpList", &PlayerCommands::InWinAmpList_Click, "---"},
                          Case{"OpenMitAmp", &PlayerCommands::OpenMitAmp_Click, "---"},
                          Case{"AlleInPlaylist", &PlayerCommands::AlleInPlaylist_Click, "---"},
                          Case{"AlleInWinamp", &PlayerCommands::AlleInWinamp_Click, "-.M"},
                          Case{"ListeEinfügen", &PlayerCommands::ListeEinfügen_Click, "-.M"},
                          Case{"OpenInExplorer", &PlayerCommands::OpenInExplorer_Click, "---"}}) {
        for (int situation = 0; situation < 3; ++situation) {
            if (c.complaints[situation] == '.')
                continue;
            list.rows = situation == 0 ? std::vector<ResultRow>{} : songs("/a/", {1});
            list.selected = situation == 2 ? std::optional<std::size_t>(1) : std::nullopt;
            fake.processes.failingProgram = situation == 1 ? "" : player;
            fake.dialogs.messages.clear();
            (commands.*c.handler)();
            EXPECT_EQ(fake.dialogs.messages,
                      std::vector<MessageRequest>(c.complaints[situation] == 'M', startFailure))
                << c.name << " " << situation;
        }
    }
    // Only the file manager could start.
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].target, LaunchRequest::Target::FileManager);
}

TEST_F(Commands, WholeListsStartEveryRowInOrder) {
    using enum OnFailure;
    // What the user does at each yield: list these rows, or make row 3 fail but no other.
    const auto listing = [this](std::vector<ResultRow> rows) {
        return [this, rows](int) { list.rows = rows; };
    };
    auto failRowThree = [this](int n) { fake.processes.failingProgram = n == 1 ? player : ""; };
    struct Case {
        const char* name;
        bool replacePlaylist;
        OnFailure onFailure;
        std::function<void(int)> meanwhile;
        std::string started;
        std::size_t messages = 0;
    };
    const Case cases[] = {
        {"rows are read afresh, the count kept", true, Skip, listing(songs("/n/", {5, 6, 7, 8, 9})),
         "P1 A2 A7 A8"},
        {"a list cleared meanwhile ends quietly", false, ShowAndStop, listing({}), "A1"},
        {"folder rows listed meanwhile end it", true, Skip, listing(folders({5, 6, 7, 8})),
         "P1 A2"},
        {"the menus say once that a row failed and stop", true, ShowAndStop, failRowThree, "P1 A2",
         1},
        {"the key leaves out a row that failed and goes on", true, Skip, failRowThree, "P1 A2 A4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake = {};
        yields = 0;
        list.rows = songs("/a/", {1, 2, 3, 4});
        meanwhile = c.meanwhile;
        commands.startWholeList(c.replacePlaylist, c.onFailure);
        EXPECT_EQ(started(), c.started);
        EXPECT_EQ(fake.dialogs.messages.size(), c.messages);
    }
}

TEST_F(Commands, TakeTheModeFromTheirRows) {
    list.rows = folders({1, 2});
    list.selected = 2;
    for (void (PlayerCommands::*handler)() :
         {&PlayerCommands::LiedAbspielen_Click, &PlayerCommands::InWinAmpList_Click,
          &PlayerCommands::AlleInWinamp_Click, &PlayerCommands::ListeEinfügen_Click,
          &PlayerCommands::AlleInPlaylist_Click})
        (commands.*handler)();
    // A folder row is played as its folder; the commands for songs leave it alone.
    EXPECT_EQ(started(), "P2 A2");
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(Commands, AGestureWhileTheListWaitsForThePlayerGoesInAtItsTurn) {
    // A player that takes its time for each command: the list waits for its turns, and
    // a song added meanwhile comes right after the start under way, not after the list.
    fake.processes.turn = std::chrono::milliseconds(20);
    list.rows = songs("/a/", {1, 2, 3, 4});
    meanwhile = [this](int yield) {
        list.selected = 4;
        if (yield == 1)
            commands.InWinAmpList_Click();
    };
    commands.AlleInWinamp_Click();
    EXPECT_EQ(started(), "P1 A2 A4 A3 A4");
}

TEST_F(Commands, ClosingStopsTheListQuietlyAndStartsNothingMore) {
    fake.processes.turn = std::chrono::milliseconds(20);
    list.selected = 1;
    meanwhile = [this](int) { commands.close(); };
    for (const OnFailure onFailure : {OnFailure::ShowAndStop, OnFailure::Skip}) {
        list.rows = songs("/a/", {1, 2, 3});
        commands.startWholeList(true, onFailure);
        commands.LiedAbspielen_Click();
    }
    EXPECT_EQ(started(), "P1");
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

const MessageRequest firstMessage{
    QStringLiteral("WinAmp.exe nicht gefunden ! Bitte manuell auswählen !"),
    QStringLiteral("WinAmp nicht gefunden"), MessageButtons::Ok, MessageIcon::Information};
const MessageRequest refusedMessage{QStringLiteral("WinAmp.exe nicht gefunden ! "),
                                    QStringLiteral("WinAmp nicht gefunden"),
                                    MessageButtons::RetryCancel, MessageIcon::None};

class FindingThePlayer : public ::testing::Test {
protected:
    FindingThePlayer() {
        fake.system.appDirectory = dir.path();
        dir.makeDirectory("Win Amp");
        dir.write("Win Amp/winamp.exe", "");
        dir.write("Win Amp/WINAMP.EXE", "");
        dir.write("other.bin", "");
    }

    std::string settings() const { return dir.read("Plattenbox.ini"); }

    testing::TempDir dir;
    FakePlatform fake;
    PlayerLocation location{fake.platform()};
};

TEST_F(FindingThePlayer, TakesTheFirstLineOfTheSettingsAsItIsAtEveryCall) {
    // Any readable file counts; only a choice in the dialog is judged by its name.
    for (const auto& [player, end] : {std::pair{dir.file("Win Amp/winamp.exe"), "\r\n"},
                                      {dir.file("other.bin"), "\n"},
                                      {dir.file("Win Amp/winamp.exe"), "\r"}}) {
        const std::string content = player + end + dir.file("zweite Zeile") + end;
        dir.write("Plattenbox.ini", content);
        ASSERT_TRUE(location.FindPlayer());
        EXPECT_EQ(location.playerPath(), player + " ");
        EXPECT_EQ(settings(), content);
    }
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_TRUE(fake.dialogs.fileDialogs.empty());
}

class UnusableSettings : public FindingThePlayer,
                         public ::testing::WithParamInterface<std::string> {};

TEST_P(UnusableSettings, AskForThePlayerAndStoreTheChoiceThatALaterCancelTakesAgain) {
    // "@" stands for the temporary folder.
    std::string content = GetParam();
    if (content.starts_with('@'))
        content.replace(0, 1, dir.path());
    dir.put("fifo", "<FIFO>");
    dir.put("Plattenbox.ini", content);
    const std::string chosen = dir.file("Win Amp/WINAMP.EXE");
    fake.dialogs.answerNextFileDialog(chosen);

    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(fake.dialogs.messages, std::vector<MessageRequest>{firstMessage});
    EXPECT_EQ(settings(), chosen + "\r\n");
    EXPECT_EQ(location.playerPath(), chosen + " ");
    EXPECT_EQ(fake.system.endRequests, 0);

    // A refusal would be answered Cancel.
    dir.write("Plattenbox.ini", "/weg/winamp.exe\r\n");
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Cancel);
    fake.dialogs.answerNextFileDialog(std::nullopt);
    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(location.playerPath(), chosen + " ");
}

INSTANTIATE_TEST_SUITE_P(Settings, UnusableSettings,
                         ::testing::Values("<missing>", "", "\r\n", "\r\nzweite Zeile\r\n",
                                           "/gibt/es/nicht/winamp.exe\r\n", "<FIFO>", "</dev/zero>",
                                           "@/Win Amp\r\n", "@/fifo\r\n",
                                           std::string("@/other.bin\0junk\r\n", 18)));

TEST_F(FindingThePlayer, TheUserChoosesUntilTheNameFitsOrCancels) {
    struct Script {
        const char* name;
        bool shipped; // the adapter came with the program
        // What each dialog gives: a name in "Win Amp", an absolute path, or none (Cancel).
        std::vector<const char*> choices;
        // F: the first message, R or C: a refusal answered Retry or Cancel, which ends.
        std::string messages;
        const char* stored; // what the settings hold after, if anything
    };
    const Script scripts[] = {
        {"another name is refused", false, {"x.exe", "winamp.exe"}, "FR", "winamp.exe"},
        {"Cancel is no choice", false, {nullptr, "winamp.exe"}, "FR", "winamp.exe"},
        {"an unopenable choice", false, {"/weg/winamp.exe", "x.exe"}, "FFC", "/weg/winamp.exe"},
        {"Cancel ends the program", false, {"x.exe"}, "FC", nullptr},
        {"the shipped adapter", true, {nullptr, "x.exe", "winamp.exe"}, "FRR", "winamp.exe"},
    };
    for (const Script& s : scripts) {
        SCOPED_TRACE(s.name);
        const auto path = [&](const std::string& name) {
            return name.starts_with('/') ? name : dir.file("Win Amp/" + name);
        };
        dir.remove("Plattenbox.ini");
        FakePlatform fakes;
        fakes.system.appDirectory = dir.path();
        fakes.system.shippedPlayerPath = s.shipped ? path("winamp.exe") : "";
        std::vector<MessageRequest> expected;
        for (const char m : s.messages) {
            using enum MessageAnswer;
            fakes.dialogs.answerNextMessage(m == 'F' ? Ok : m == 'R' ? Retry : Cancel);
            expected.push_back(m == 'F' ? firstMessage : refusedMessage);
        }
        for (const char* choice : s.choices)
            fakes.dialogs.answerNextFileDialog(choice ? std::optional(path(choice)) : std::nullopt);

        const bool found = s.messages.back() != 'C';
        EXPECT_EQ(PlayerLocation(fakes.platform()).FindPlayer(), found);
        EXPECT_EQ(fakes.dialogs.messages, expected);
        EXPECT_EQ(fakes.system.endRequests, found ? 0 : 1);
        EXPECT_EQ(settings(), s.stored ? path(s.stored) + "\r\n" : "");
        // Each dialog opens on the choice before, or on the shipped adapter's name only.
        ASSERT_EQ(fakes.dialogs.fileDialogs.size(), s.choices.size());
        std::string previous = s.shipped ? "winamp.exe" : "";
        for (std::size_t i = 0; i < s.choices.size(); ++i) {
            EXPECT_EQ(fakes.dialogs.fileDialogs[i].fileName, previous);
            EXPECT_EQ(fakes.dialogs.fileDialogs[i].initialFolder,
                      s.shipped ? dir.file("Win Amp") : "/");
            if (s.choices[i])
                previous = path(s.choices[i]);
        }
    }
}

TEST_F(FindingThePlayer, SettingsThatCannotBeWrittenEndTheProgramAndLeaveNoTemporaryFile) {
    // A folder in the place of the settings cannot be replaced, whoever runs the test.
    dir.makeDirectory("Plattenbox.ini");
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe"));

    EXPECT_FALSE(location.FindPlayer());
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_TRUE(fake.dialogs.messages[1].text.startsWith(
        QStringLiteral("Der Pfad von WinAmp kann nicht gespeichert werden !")));
    EXPECT_EQ(fake.system.endRequests, 1);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Plattenbox.ini", "Win Amp", "other.bin"}));
}

} // namespace
} // namespace liedspur
