#include "player/PlayerLocation.h"

#include "FakePlatform.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

using testing::FakePlatform;

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
        if (s.shipped)
            fakes.system.shippedPlayerPath = path("winamp.exe");
        std::vector<MessageRequest> expected;
        for (const char m : s.messages) {
            fakes.dialogs.answerNextMessage(m == 'F'   ? MessageAnswer::Ok
                                            : m == 'R' ? MessageAnswer::Retry
                                                       : MessageAnswer::Cancel);
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
