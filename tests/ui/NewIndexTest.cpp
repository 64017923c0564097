#include "ui/NewIndex.h"
#include "ui/FolderList.h"

#include "index/IndexLoader.h"
#include "platform/linux/Translations.h"

#include "FakePlatform.h"
#include "TempDir.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace liedspur {
namespace {

using namespace std::chrono_literals;
using testing::lines;

// The text of the message for a file that is missing.
std::string missingFile(const std::string& name, const char* what) {
    return "Fehler > Datei oder Verzeichnis nicht gefunden: " + name +
           " < beim erstellen/schreiben der " + what + "-Datei !";
}

// The index window over twelve songs in three folders below "Musik", which has a folder
// without songs of its own and none itself.
class IndexWindow : public ::testing::Test {
protected:
    void SetUp() override {
        fake.system.appDirectory = app.path();
        fake.system.networkPresent = true;
        for (int i = 0; i < 4; ++i)
            for (const char* folder : {"A/", "B/B1/", "C/"})
                song(folder + std::to_string(i) + ".mp3");
    }

    NewIndex& window() {
        if (!m_window) {
            m_window = std::make_unique<NewIndex>(fake.platform());
            m_window->setYieldInterval(0ms);
        }
        return *m_window;
    }
    template <typename T = QWidget> T* element(const char* name) {
        T* found = window().findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char* button) { element<QPushButton>(button)->click(); }
    FolderList* folders() { return element<FolderList>("Dir_index"); }
    QAbstractItemModel* foundList() { return element<QListView>("lst_GefundeneFiles")->model(); }
    QString text(const char* name) {
        if (auto* label = window().findChild<QLabel*>(QLatin1String(name)))
            return label->text();
        return element<QLineEdit>(name)->text();
    }
    // What the user sees of a run's state: the elements a run locks, and those it unlocks.
    std::string state() {
        const bool locked = !element("cmd_NewIndex")->isEnabled();
        for (const char* name :
             {"Drive_Index", "Dir_index", "chk_MitOrdner", "cmd_back", "cmd_fertig", "cmd_net"})
            EXPECT_EQ(!element(name)->isEnabled(), locked) << name;
        return std::string(locked ? "locked" : "open") +
               (element("cmd_abbruch")->isEnabled() ? " abbruch" : "") +
               (element("cmd_save")->isEnabled() ? " save" : "") +
               (element<QTimer>("Timer1")->isActive() ? " timer" : "");
    }

    std::string song(const std::string& name) {
        tree.makeDirectory("Musik/" + std::filesystem::path(name).parent_path().string());
        tree.write("Musik/" + name, "x");
        return tree.file("Musik/" + name);
    }
    void runOver(const std::string& folder) {
        ASSERT_TRUE(folders()->setPath(tree.file(folder)));
        window().cmd_NewIndex_Click();
    }
    std::vector<std::string> listed() {
        std::vector<std::string> entries;
        for (int row = 0; row < foundList()->rowCount(); ++row)
            entries.push_back(foundList()->index(row, 0).data().toString().toStdString());
        return entries;
    }
    const MessageRequest& lastMessage() {
        static const MessageRequest none;
        return fake.dialogs.messages.empty() ? none : fake.dialogs.messages.back();
    }

    testing::FakePlatform fake;
    testing::TempDir app, tree;

private:
    std::unique_ptr<NewIndex> m_window;
};

struct RunCase {
    const char* name;
    bool subfolders;
    int cancelAtSong; // 0: no cancel
    enum class Trouble { None, NoTemporaryList, StartFolderGone } trouble;
    std::string message; // "{tree}" stands for the tree's folder
    const char* title;
    std::size_t listed;
    const char* foldersShown; // the count of lbl_ordner
};

class RunOutcome : public IndexWindow, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunOutcome, IsReportedAndLeavesTheWindowUsable) {
    const RunCase& c = GetParam();
    EXPECT_EQ(state(), "open");
    window().Timer1_Timer(); // the picture blinks on
    element<QCheckBox>("chk_MitOrdner")->setChecked(c.subfolders);
    QObject::connect(foundList(), &QAbstractItemModel::rowsInserted, &window(), [&] {
        if (foundList()->rowCount() == c.cancelAtSong)
            click("cmd_abbruch");
    });
    using enum RunCase::Trouble;
    if (c.trouble == NoTemporaryList)
        fake.system.appDirectory = app.file("fehlt");
    window().show();
    // Whether the list, as it would be painted at the next chance, shows any text.
    std::vector<bool> painted;
    const auto paint = [&] {
        const QImage shown = element<QListView>("lst_GefundeneFiles")->viewport()->grab().toImage();
        bool text = false;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                text = text || qGray(shown.pixel(x, y)) < 128;
        painted.push_back(text);
    };
    QObject::connect(foundList(), &QAbstractItemModel::rowsInserted, &window(), paint,
                     Qt::QueuedConnection);
    std::string seen;
    Qt::CursorShape cursorSeen = Qt::ArrowCursor;
    bool stayed = false;
    // While the run goes on, at its first chance to handle events.
    QTimer::singleShot(0, &window(), [&] {
        seen = state();
        cursorSeen = window().cursor().shape();
        window().close();
        window().reject();
        click("cmd_back");
        stayed = window().isVisible();
    });
    if (c.trouble == StartFolderGone) {
        tree.makeDirectory("Musik/V");
        ASSERT_TRUE(folders()->setPath(tree.file("Musik/V")));
        std::filesystem::remove(tree.file("Musik/V"));
        window().cmd_NewIndex_Click();
    } else {
        runOver("Musik");
    }

    std::string message = c.message;
    if (const auto at = message.find("{tree}"); at != std::string::npos)
        message.replace(at, 6, tree.path());
    EXPECT_EQ(lastMessage().text.toStdString(), message);
    EXPECT_EQ(lastMessage().title.toStdString(), c.title);
    EXPECT_EQ(state(), c.listed > 0 ? "open save" : "open");
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(element("bild1")->isHidden());
    const auto entries = listed();
    ASSERT_EQ(entries.size(), c.listed);
    if (c.trouble == None) {
        EXPECT_EQ(seen, "locked abbruch timer");
        EXPECT_TRUE(stayed) << "closed during the run";
        EXPECT_EQ(cursorSeen, Qt::WaitCursor);
        EXPECT_EQ(app.read("mp3.tmp"), lines(entries));
        EXPECT_EQ(text("lbl_files"), QString("Gefundene Files: %1").arg(c.listed));
        EXPECT_EQ(painted, std::vector<bool>(painted.size(), true)) << "rows shown late";
        EXPECT_TRUE(painted.size() > 0 || c.listed == 0);
    }
    EXPECT_EQ(text("txt_file").toStdString(), entries.empty() ? "" : entries.back());
    EXPECT_EQ(text("lbl_ordner"),
              QString("Anzahl untersuchte Ordner: %1").arg(c.foldersShown).trimmed());
    click("cmd_back");
    EXPECT_FALSE(window().isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunOutcome,
    ::testing::Values(
        RunCase{"Completed", true, 0, {}, "Fertig ! Anzahl Files = 12", "Hinweis", 12, "5"},
        RunCase{"WithoutSubfolders", false, 0, {}, "Fertig ! Anzahl Files = 0", "Hinweis", 0, "1"},
        RunCase{"Cancelled", true, 5, {}, "Abbruch durch Benutzer !!", "Hinweis", 5, "4"},
        // After the last song the scan looks at the flag no more; the run does.
        RunCase{"CancelledAtTheEnd", true, 12, {}, "Abbruch durch Benutzer !!", "Hinweis", 12, "5"},
        RunCase{"NoTemporaryList", true, 0, RunCase::Trouble::NoTemporaryList,
                missingFile("mp3.tmp", "Temp"), "Datei-Fehler", 0, ""},
        RunCase{"StartFolderGone", true, 0, RunCase::Trouble::StartFolderGone,
                "Fehler: > Datei oder Verzeichnis nicht gefunden: {tree}/Musik/V < ", "Fehler !!",
                0, ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(IndexWindow, NetworkFolderIsTheDialogsNameLessTwentyCharacters) {
    fake.system.networkPresent = false;
    EXPECT_FALSE(element("cmd_net")->isEnabled());
    fake.system.networkFolderPath = tree.path() + "/";
    const std::string musik = tree.file("Musik");
    // Answers that leave no folder change nothing and show nothing.
    for (const auto& answer : std::vector<std::optional<std::string>>{
             musik + "/B/Bitte Nicht Ändern !", std::nullopt, "Bitte Nicht Ändern !", "zu kurz",
             musik + "/anderer-Name-hier.mp3"}) {
        fake.dialogs.answerNextFileDialog(answer);
        window().cmd_net_Click();
        EXPECT_EQ(folders()->path(), musik + "/B") << answer.value_or("Cancel");
    }
    EXPECT_EQ(fake.dialogs.fileDialogs[0].fileName, "Bitte Nicht Ändern !");
    EXPECT_EQ(fake.dialogs.fileDialogs[0].initialFolder, tree.path() + "/");
    EXPECT_EQ(text("lbl_path").toStdString(), musik + "/B");
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(IndexWindow, AFolderWhoseNameIsNotUtf8CanBeChosenInTheTree) {
    const std::string latin1 = "Caf\xE9 del Mar"; // as copied from an old disk
    const std::string bytes = song(latin1 + "/\xE9t\xE9.mp3");
    // The folders on the way are named before their listings come and merge with them.
    QAbstractItemModelTester tester(folders()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(folders()->setPath(tree.file("Musik")));
    // The tree lists the folder on a thread of its own.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return folders()->model()->rowCount(folders()->currentIndex()) > 0; }));
    const QString shown = QStringLiteral("Caf\uFFFD del Mar");
    const QModelIndexList chosen = folders()->model()->match(
        folders()->model()->index(0, 0, folders()->currentIndex()), Qt::DisplayRole, shown);
    ASSERT_EQ(chosen.size(), 1) << "not in the tree";

    folders()->setCurrentIndex(chosen[0]); // as a click does
    EXPECT_EQ(folders()->path(), tree.file("Musik/" + latin1));
    EXPECT_EQ(text("lbl_path"), QString::fromStdString(tree.file("Musik/")) + shown);
    window().cmd_NewIndex_Click();
    EXPECT_EQ(app.read("mp3.tmp"), bytes + "\r\n");
}

TEST_F(IndexWindow, EndingTheProgramAsksFirst) {
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        fake.dialogs.answerNextMessage(answer);
        click("cmd_fertig");
    }
    EXPECT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(lastMessage().text, "Programm Beenden ?");
    EXPECT_EQ(fake.system.endRequests, 1);
}

TEST_F(IndexWindow, SavingReplacesOrAppendsAsTheUserAnswers) {
    // Batched inserts and the reset between runs must keep the view's model contract.
    QAbstractItemModelTester tester(foundList(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    using enum MessageAnswer;
    struct Case {
        const char* name;
        bool oldIndex;
        std::vector<MessageAnswer> answers;
        std::string outcome; // the message after the question, if any
        const char* count;   // files.dat after, "" when there is none
        bool savesTheRun = true;
    };
    const Case cases[] = {
        {"replace", true, {Yes}, "Neue Index-Datei gespeichert !", " 12 \r\n"},
        {"append twice", true, {No, No}, "", " 124 \r\n"},
        {"append without an index", false, {No}, missingFile("files.dat", "Index"), "", false},
        {"cancel", true, {Cancel}, "", " 100 \r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.clear();
        if (c.oldIndex)
            app.writeIndex(std::vector<std::string>(100, "/alt/s.mp3"), {10, "/alt/"});
        runOver("Musik");
        ASSERT_EQ(listed().size(), 12u) << "the run before is still listed";
        fake.dialogs.messages.clear();
        for (const MessageAnswer answer : c.answers) {
            fake.dialogs.answerNextMessage(answer);
            click("cmd_save");
        }
        ASSERT_EQ(fake.dialogs.messages.size(), c.answers.size() + !c.outcome.empty());
        EXPECT_EQ(fake.dialogs.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(lastMessage().text.toStdString(),
                  c.outcome.empty() ? fake.dialogs.messages[0].text.toStdString() : c.outcome);
        EXPECT_EQ(element("cmd_save")->isEnabled(), !c.outcome.starts_with("Neue"));
        EXPECT_EQ(app.exists("files.dat") ? app.read("files.dat") : "", c.count);
        // What a save wrote is the run the window shows.
        if (const auto loaded = loadIndex(app.path()); c.savesTheRun && loaded) {
            EXPECT_EQ(loaded.value()->fullPath(loaded.value()->songCount()), listed().back());
        }
    }
}

TEST(GermanButtons, MessageBoxButtonsSpeakGerman) {
    ASSERT_TRUE(installGermanTranslations(*QCoreApplication::instance()));
    for (const auto& [english, german] : std::vector<std::pair<const char*, const char*>>{
             {"&Yes", "&Ja"}, {"&No", "&Nein"}, {"Cancel", "Abbrechen"}, {"Retry", "Wiederholen"}})
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", english), QString::fromUtf8(german))
            << english;
}

} // namespace
} // namespace liedspur
