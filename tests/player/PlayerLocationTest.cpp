#include "player/PlayerLocation.h"

#include "FakePlatform.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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

TEST_F(FindingThePlayer, TakesTheFirstLineOfTheSettingsAsItIs) {
    // Any readable file counts; only a choice in the dialog is judged by its name.
    for (const std::string& player : {dir.file("Win Amp/winamp.exe"), dir.file("other.bin")}) {
        const std::string content = player + "\r\n" + dir.file("zweite Zeile") + "\r\n";
        dir.write("Plattenbox.ini", content);
        ASSERT_TRUE(location.FindPlayer());
        EXPECT_EQ(location.playerPath(), player + " ");
        EXPECT_EQ(settings(), content);
    }
    EXPECT_TRUE(fake.dialogs.messages.empty());
    EXPECT_TRUE(fake.dialogs.fileDialogs.empty());
}

TEST_F(FindingThePlayer, ReadsTheSettingsAgainAtEveryCall) {
    dir.write("Plattenbox.ini", dir.file("other.bin") + "\n");
    ASSERT_TRUE(location.FindPlayer());
    dir.write("Plattenbox.ini", dir.file("Win Amp/winamp.exe") + "\r");
    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(location.playerPath(), dir.file("Win Amp/winamp.exe") + " ");
}

class UnusableSettings : public FindingThePlayer,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(UnusableSettings, AskForThePlayerAndStoreTheChoice) {
    // Markers stand for settings a literal cannot hold.
    const std::string content = GetParam();
    if (content == "<FIFO>") {
        dir.makeFifo("Plattenbox.ini");
    } else if (content == "</dev/zero>") {
        dir.makeLink("Plattenbox.ini", "/dev/zero");
    } else if (content == "<player a folder>") {
        dir.write("Plattenbox.ini", dir.file("Win Amp") + "\r\n");
    } else if (content == "<player a FIFO>") {
        dir.makeFifo("fifo");
        dir.write("Plattenbox.ini", dir.file("fifo") + "\r\n");
    } else if (content == "<player and NUL>") {
        dir.write("Plattenbox.ini", dir.file("other.bin") + std::string("\0junk\r\n", 7));
    } else if (content != "<missing>") {
        dir.write("Plattenbox.ini", content);
    }
    const std::string chosen = dir.file("Win Amp/WINAMP.EXE");
    fake.dialogs.answerNextFileDialog(chosen);

    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(fake.dialogs.messages, std::vector<MessageRequest>{firstMessage});
    ASSERT_EQ(fake.dialogs.fileDialogs.size(), 1u);
    const FileDialogRequest& dialog = fake.dialogs.fileDialogs[0];
    EXPECT_EQ(dialog.title, QStringLiteral("Bitte WinAmp.Exe auswählen"));
    EXPECT_EQ(dialog.filterLabel, QStringLiteral("WinAmp.Exe"));
    EXPECT_EQ(dialog.filterFileName, QStringLiteral("winamp.exe"));
    EXPECT_EQ(dialog.initialFolder, "/");
    EXPECT_EQ(settings(), chosen + "\r\n");
    EXPECT_EQ(location.playerPath(), chosen + " ");
    EXPECT_EQ(fake.system.endRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(Settings, UnusableSettings,
                         ::testing::Values("<missing>", "", "\r\n", "\r\nzweite Zeile\r\n",
                                           "/gibt/es/nicht/winamp.exe\r\n", "<FIFO>", "</dev/zero>",
                                           "<player a folder>", "<player a FIFO>",
                                           "<player and NUL>"));

TEST_F(FindingThePlayer, RefusesOtherNamesUntilRetryBringsAGoodOne) {
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe.bak"));
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Retry);
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe"));

    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(fake.dialogs.messages, (std::vector<MessageRequest>{firstMessage, refusedMessage}));
    ASSERT_EQ(fake.dialogs.fileDialogs.size(), 2u);
    // The dialog opens again on its previous choice.
    EXPECT_EQ(fake.dialogs.fileDialogs[1].fileName, dir.file("Win Amp/winamp.exe.bak"));
    EXPECT_EQ(settings(), dir.file("Win Amp/winamp.exe") + "\r\n");
}

TEST_F(FindingThePlayer, TheDialogOpensOnTheShippedAdapter) {
    fake.system.shippedPlayerPath = dir.file("Win Amp/winamp.exe");
    fake.dialogs.answerNextFileDialog(std::nullopt);
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Retry);
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe.bak"));
    fake.dialogs.answerNextMessage(MessageAnswer::Retry);
    fake.dialogs.answerNextFileDialog(fake.system.shippedPlayerPath);

    ASSERT_TRUE(location.FindPlayer());
    // Only the name field is filled in: a Cancel is still no choice and gets the question.
    EXPECT_EQ(fake.dialogs.messages,
              (std::vector<MessageRequest>{firstMessage, refusedMessage, refusedMessage}));
    ASSERT_EQ(fake.dialogs.fileDialogs.size(), 3u);
    for (const FileDialogRequest& dialog : fake.dialogs.fileDialogs)
        EXPECT_EQ(dialog.initialFolder, dir.file("Win Amp"));
    EXPECT_EQ(fake.dialogs.fileDialogs[0].fileName, "winamp.exe");
    EXPECT_EQ(fake.dialogs.fileDialogs[1].fileName, "winamp.exe");
    // A refused choice is shown again, as without an adapter.
    EXPECT_EQ(fake.dialogs.fileDialogs[2].fileName, dir.file("Win Amp/winamp.exe.bak"));
    EXPECT_EQ(settings(), fake.system.shippedPlayerPath + "\r\n");
}

TEST_F(FindingThePlayer, CancelInTheDialogKeepsThePreviousChoice) {
    // First showing cancelled: no choice at all, so the name test refuses it.
    fake.dialogs.answerNextFileDialog(std::nullopt);
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Retry);
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe"));
    ASSERT_TRUE(location.FindPlayer());

    // Later the stored player is gone; a Cancel hands back the old choice, which is taken.
    dir.write("Plattenbox.ini", "/weg/winamp.exe\r\n");
    fake.dialogs.messages.clear();
    fake.dialogs.answerNextFileDialog(std::nullopt);
    ASSERT_TRUE(location.FindPlayer());
    EXPECT_EQ(fake.dialogs.fileDialogs.back().fileName, dir.file("Win Amp/winamp.exe"));
    EXPECT_EQ(location.playerPath(), dir.file("Win Amp/winamp.exe") + " ");
}

TEST_F(FindingThePlayer, AChoiceThatCannotBeOpenedIsAskedForAgain) {
    fake.dialogs.answerNextFileDialog("/gibt/es/nicht/winamp.exe");
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe.bak"));
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Cancel);

    EXPECT_FALSE(location.FindPlayer());
    EXPECT_EQ(fake.dialogs.messages,
              (std::vector<MessageRequest>{firstMessage, firstMessage, refusedMessage}));
    EXPECT_EQ(settings(), "/gibt/es/nicht/winamp.exe\r\n");
    EXPECT_EQ(fake.system.endRequests, 1);
}

TEST_F(FindingThePlayer, CancelEndsTheProgramAndWritesNothing) {
    fake.dialogs.answerNextFileDialog(dir.file("other.bin"));
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextMessage(MessageAnswer::Cancel);

    EXPECT_FALSE(location.FindPlayer());
    EXPECT_EQ(fake.system.endRequests, 1);
    EXPECT_EQ(fake.dialogs.fileDialogs.size(), 1u);
    EXPECT_FALSE(dir.exists("Plattenbox.ini"));
}

TEST_F(FindingThePlayer, SettingsThatCannotBeWrittenEndTheProgram) {
    // A file in the place of the directory fails for every user, root included.
    dir.write("kein Ordner", "");
    fake.system.appDirectory = dir.file("kein Ordner");
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe"));

    EXPECT_FALSE(location.FindPlayer());
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    const MessageRequest& error = fake.dialogs.messages[1];
    EXPECT_EQ(error.icon, MessageIcon::Critical);
    EXPECT_TRUE(error.text.startsWith(
        QStringLiteral("Der Pfad von WinAmp kann nicht gespeichert werden !")));
    EXPECT_EQ(fake.system.endRequests, 1);
    EXPECT_EQ(dir.read("kein Ordner"), "");
}

TEST_F(FindingThePlayer, AReadOnlyDirectoryIsLeftAsItWas) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    dir.makeDirectory("nur lesbar");
    fake.system.appDirectory = dir.file("nur lesbar");
    std::filesystem::permissions(fake.system.appDirectory, std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_exec);
    fake.dialogs.answerNextFileDialog(dir.file("Win Amp/winamp.exe"));

    EXPECT_FALSE(location.FindPlayer());
    std::filesystem::permissions(fake.system.appDirectory, std::filesystem::perms::owner_all);
    EXPECT_EQ(fake.dialogs.messages.back().icon, MessageIcon::Critical);
    EXPECT_TRUE(std::filesystem::is_empty(fake.system.appDirectory));
}

} // namespace
} // namespace liedspur
