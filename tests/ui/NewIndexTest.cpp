#include "ui/NewIndex.h"
#include "ui/FolderList.h"
#include "ui/Twips.h"

#include "index/IndexLoader.h"
#include "platform/linux/Translations.h"

#include "FakePlatform.h"
#include "TempDir.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace liedspur {
namespace {

using namespace std::chrono_literals;

std::string lines(const std::vector<std::string>& items) {
    std::string bytes;
    for (const auto& item : items)
        bytes += item + "\r\n";
    return bytes;
}

// What the user sees of a run's state: the elements of the state table and the timer.
struct RunState {
    bool locked; // cmd_NewIndex, the lists, chk_MitOrdner, cmd_back, cmd_fertig disabled
    bool abbruch;
    bool save;
    bool timer;
    bool operator==(const RunState&) const = default;
};
std::ostream& operator<<(std::ostream& out, const RunState& s) {
    return out << "locked " << s.locked << " abbruch " << s.abbruch << " save " << s.save
               << " timer " << s.timer;
}
constexpr RunState idle{false, false, false, false};
constexpr RunState running{true, true, false, true};
constexpr RunState doneWithSongs{false, false, true, false};
constexpr RunState doneWithoutSongs{false, false, false, false};

class IndexWindow : public ::testing::Test {
protected:
    void SetUp() override {
        fake.system.appDirectory = app.path();
        tree.makeDirectory("Musik");
    }

    NewIndex& window() {
        if (!m_window) {
            m_window = std::make_unique<NewIndex>(fake.platform());
            m_window->setYieldInterval(0ms);
        }
        return *m_window;
    }
    template <typename T> T* element(const char* name) {
        T* found = window().findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* buttonNamed(const char* name) { return element<QPushButton>(name); }
    FolderList* folders() { return element<FolderList>("Dir_index"); }
    QAbstractItemModel* foundList() { return element<QListView>("lst_GefundeneFiles")->model(); }
    QString text(const char* name) {
        if (auto* label = window().findChild<QLabel*>(QLatin1String(name)))
            return label->text();
        return element<QLineEdit>(name)->text();
    }

    RunState state() {
        const bool locked = !buttonNamed("cmd_NewIndex")->isEnabled();
        for (const char* name :
             {"Drive_Index", "Dir_index", "chk_MitOrdner", "cmd_back", "cmd_fertig"})
            EXPECT_EQ(!element<QWidget>(name)->isEnabled(), locked) << name;
        return {locked, buttonNamed("cmd_abbruch")->isEnabled(),
                buttonNamed("cmd_save")->isEnabled(), element<QTimer>("Timer1")->isActive()};
    }

    std::string song(const std::string& name) {
        tree.write("Musik/" + name, "x");
        return tree.file("Musik/" + name);
    }
    void folder(const std::string& name) { tree.makeDirectory("Musik/" + name); }
    // Twelve songs in three folders, and a folder without songs of its own.
    void twelveSongs() {
        for (const char* name : {"A", "B/B1", "C"})
            folder(name);
        for (int i = 0; i < 4; ++i)
            for (const char* name : {"A/", "B/B1/", "C/"})
                song(name + std::to_string(i) + ".mp3");
    }
    void runOver(const std::string& start) {
        ASSERT_TRUE(folders()->setPath(start));
        window().cmd_NewIndex_Click();
    }
    void runOverMusic() { runOver(tree.file("Musik")); }
    // Runs `action` while the run is going on, at its first chance to handle events.
    void duringRun(std::function<void()> action) {
        QTimer::singleShot(0, &window(), std::move(action));
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
    static MessageRequest info(const char* text, const char* title = "Hinweis") {
        return {QString::fromUtf8(text), QString::fromUtf8(title), MessageButtons::Ok,
                MessageIcon::Information};
    }
    static MessageRequest fileError(const std::string& description, const char* what) {
        return {QString::fromStdString("Fehler > " + description +
                                       " < beim erstellen/schreiben der " + what + "-Datei !"),
                QStringLiteral("Datei-Fehler"), MessageButtons::Ok, MessageIcon::Critical};
    }
    static MessageRequest saveQuestion() {
        return {QStringLiteral(">Ja< = Alten Index ersetzen   >Nein< = An alten Index anhängen !"),
                QStringLiteral("Ersetzen oder Anhängen ??"), MessageButtons::YesNoCancel,
                MessageIcon::None};
    }

    testing::FakePlatform fake;
    testing::TempDir app, tree;

private:
    std::unique_ptr<NewIndex> m_window;
};

TEST_F(IndexWindow, OpensWithTheDesignedElementsInTheIdleState) {
    NewIndex& w = window();
    EXPECT_EQ(w.windowTitle(), "Index-Erstellen");
    EXPECT_EQ(w.minimumSize(), twipsSize(11640, 7140));
    EXPECT_EQ(w.maximumSize(), twipsSize(11640, 7140));
    EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w.isModal());

    struct Caption {
        const char* name;
        const char* text;
        const char* toolTip;
    };
    for (const Caption& c : {
             Caption{"cmd_net", "&Netzwerk", ""},
             Caption{"cmd_NewIndex", "&Index-File erstellen", "Neue Index-Datei erstellen !"},
             Caption{"cmd_abbruch", "&Abbrechen", "Funktion Abbrechen !"},
             Caption{"cmd_save", "&Speichern", "Indexliste Speichern !"},
             Caption{"cmd_fertig", "Programm &Beenden", ""},
             Caption{"cmd_back", "&Zurück", ""},
         }) {
        EXPECT_EQ(buttonNamed(c.name)->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(buttonNamed(c.name)->toolTip(), QString::fromUtf8(c.toolTip));
    }
    EXPECT_EQ(element<QGroupBox>("Frame1")->title(), " Bitte Laufwerk und Ordner auswählen ");
    EXPECT_EQ(element<QGroupBox>("Frame3")->title(), " Mp3-Files Status: ");
    EXPECT_EQ(element<QGroupBox>("frame2")->title(), " Status beim Einlesen der Mp3-Files ");
    EXPECT_EQ(element<QCheckBox>("chk_MitOrdner")->text(), "Unterverzeichnisse mit Einlesen");
    EXPECT_TRUE(element<QCheckBox>("chk_MitOrdner")->isChecked());
    EXPECT_EQ(text("lbl_files"), "Gefundene Files: ");
    EXPECT_EQ(text("lbl_ordner"), "Anzahl untersuchte Ordner:");
    EXPECT_EQ(element<QListView>("lst_GefundeneFiles")->toolTip(), "Gefundene Mp3-Files !");
    EXPECT_EQ(element<QLineEdit>("txt_file")->toolTip(), "Aktuell gefundenes File !");
    EXPECT_EQ(element<QLineEdit>("txt_ordner")->toolTip(), "Aktuell untersuchter Ordner !");
    EXPECT_TRUE(buttonNamed("cmd_NewIndex")->isDefault());
    EXPECT_EQ(element<QWidget>("cmd_save")->geometry(), twipsRect(4380, 1440, 1935, 375));

    auto* path = element<QLabel>("lbl_path");
    EXPECT_EQ(path->text(), "/");
    EXPECT_TRUE(path->font().bold());
    EXPECT_EQ(path->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(folders()->path(), "/");
    EXPECT_EQ(element<QComboBox>("Drive_Index")->currentData().toByteArray(), "/");
    EXPECT_TRUE(element<QLabel>("bild1")->isHidden());
    EXPECT_EQ(element<QTimer>("Timer1")->interval(), 500);
    EXPECT_EQ(state(), idle);
    EXPECT_FALSE(buttonNamed("cmd_net")->isEnabled());

    // The design's tab order among the elements that take the focus.
    const std::vector<QString> order{"Drive_Index",  "Dir_index",          "chk_MitOrdner",
                                     "cmd_NewIndex", "cmd_abbruch",        "txt_ordner",
                                     "txt_file",     "lst_GefundeneFiles", "cmd_save",
                                     "cmd_fertig",   "cmd_back",           "cmd_net"};
    std::vector<QString> chain;
    QWidget* at = element<QWidget>("Drive_Index");
    do {
        if (std::find(order.begin(), order.end(), at->objectName()) != order.end())
            chain.push_back(at->objectName());
        at = at->nextInFocusChain();
    } while (at != element<QWidget>("Drive_Index"));
    EXPECT_EQ(chain, order);
}

TEST_F(IndexWindow, ARunWalksTheFolderAndReportsIt) {
    twelveSongs();
    fake.system.networkPresent = true;
    RunState seen{};
    Qt::CursorShape cursorSeen = Qt::ArrowCursor;
    duringRun([&] {
        seen = state();
        cursorSeen = window().cursor().shape();
        EXPECT_FALSE(buttonNamed("cmd_net")->isEnabled());
    });
    runOverMusic();

    EXPECT_EQ(seen, running);
    EXPECT_EQ(cursorSeen, Qt::WaitCursor);
    EXPECT_EQ(state(), doneWithSongs);
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(buttonNamed("cmd_net")->isEnabled());
    EXPECT_TRUE(element<QLabel>("bild1")->isHidden());
    EXPECT_EQ(lastMessage(), info("Fertig ! Anzahl Files = 12"));
    EXPECT_EQ(text("lbl_files"), "Gefundene Files: 12");
    EXPECT_EQ(text("lbl_ordner"), "Anzahl untersuchte Ordner: 5");
    const auto entries = listed();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(app.read("mp3.tmp"), lines(entries));
    EXPECT_EQ(text("txt_file").toStdString(), entries.back());
    const std::string folderLines = app.read("ordner.tmp");
    EXPECT_EQ(std::count(folderLines.begin(), folderLines.end(), '\n'), 3);
}

TEST_F(IndexWindow, ARunWithoutSongsLeavesSavingOffAndEmptyLists) {
    song("Titel.MP3");
    song("cover.jpg");
    element<QCheckBox>("chk_MitOrdner")->setChecked(false);
    runOverMusic();
    EXPECT_EQ(lastMessage(), info("Fertig ! Anzahl Files = 0"));
    EXPECT_EQ(state(), doneWithoutSongs);
    EXPECT_EQ(app.read("mp3.tmp"), "");
    EXPECT_TRUE(app.exists("ordner.tmp"));
    EXPECT_EQ(text("lbl_ordner"), "Anzahl untersuchte Ordner: 1");
}

TEST_F(IndexWindow, CancelDeepInTheTreeKeepsWhatWasFound) {
    for (int i = 0; i < 4; ++i) {
        folder("F" + std::to_string(i) + "/tief/tiefer");
        for (int j = 0; j < 3; ++j)
            song("F" + std::to_string(i) + "/tief/tiefer/" + std::to_string(j) + ".mp3");
    }
    QObject::connect(foundList(), &QAbstractItemModel::rowsInserted, &window(), [&] {
        if (foundList()->rowCount() == 5)
            buttonNamed("cmd_abbruch")->click();
    });
    runOverMusic();
    EXPECT_EQ(lastMessage(), info("Abbruch durch Benutzer !!"));
    EXPECT_EQ(state(), doneWithSongs);
    const auto entries = listed();
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_EQ(app.read("mp3.tmp"), lines(entries));
    EXPECT_EQ(text("lbl_files"), "Gefundene Files: 5");
}

TEST_F(IndexWindow, TheFoundListShowsItsRowsWhileTheRunGoesOn) {
    twelveSongs();
    window().show();
    auto* list = element<QListView>("lst_GefundeneFiles");
    // Whether the list, as it would be painted at the next chance, shows any text.
    const auto showsText = [list] {
        const QImage shown = list->viewport()->grab().toImage();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    std::vector<bool> seen;
    QObject::connect(
        foundList(), &QAbstractItemModel::rowsInserted, &window(),
        [&] { seen.push_back(showsText()); }, Qt::QueuedConnection);
    runOverMusic();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
}

TEST_F(IndexWindow, CancelBeforeTheFirstSongLeavesNothingToSave) {
    song("a.mp3");
    duringRun([&] { buttonNamed("cmd_abbruch")->click(); });
    runOverMusic();
    EXPECT_EQ(lastMessage(), info("Abbruch durch Benutzer !!"));
    EXPECT_EQ(state(), doneWithoutSongs);
    EXPECT_EQ(app.read("mp3.tmp"), "");
}

TEST_F(IndexWindow, ASecondRunStartsFromNothing) {
    twelveSongs();
    // Batched inserts and the reset between runs must keep the view's model contract.
    QAbstractItemModelTester tester(foundList(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    runOverMusic();
    const std::string only = song("C/allein.mp3");
    std::filesystem::remove_all(tree.file("Musik/A"));
    runOver(tree.file("Musik/C"));
    EXPECT_EQ(listed().size(), 5u);
    EXPECT_EQ(text("txt_ordner"), "");
    EXPECT_EQ(text("lbl_files"), "Gefundene Files: 5");
    EXPECT_EQ(app.read("ordner.tmp"), tree.file("Musik/C") + "/\r\n");
}

TEST_F(IndexWindow, RefusesToCloseDuringARun) {
    song("a.mp3");
    window().show();
    bool stayed = false;
    duringRun([&] {
        window().close();
        window().reject();
        buttonNamed("cmd_back")->click();
        stayed = window().isVisible();
    });
    runOverMusic();
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(window().isVisible());
    buttonNamed("cmd_back")->click();
    EXPECT_FALSE(window().isVisible());
}

TEST_F(IndexWindow, BlinksOnlyWhileRunning) {
    auto* picture = element<QLabel>("bild1");
    window().Timer1_Timer();
    EXPECT_FALSE(picture->isHidden());
    window().Timer1_Timer();
    EXPECT_TRUE(picture->isHidden());
    window().Timer1_Timer();
    song("a.mp3");
    runOverMusic();
    EXPECT_TRUE(picture->isHidden());
    EXPECT_FALSE(element<QTimer>("Timer1")->isActive());
}

TEST_F(IndexWindow, UnwritableTemporaryListEndsTheRunUsable) {
    song("a.mp3");
    fake.system.appDirectory = app.file("fehlt");
    fake.system.networkPresent = true;
    runOverMusic();
    EXPECT_EQ(lastMessage(), fileError("Datei oder Verzeichnis nicht gefunden: mp3.tmp", "Temp"));
    EXPECT_EQ(state(), doneWithoutSongs);
    EXPECT_EQ(window().cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(buttonNamed("cmd_net")->isEnabled());
}

TEST_F(IndexWindow, VanishedStartFolderEndsTheRunUsable) {
    folder("weg");
    ASSERT_TRUE(folders()->setPath(tree.file("Musik/weg")));
    std::filesystem::remove(tree.file("Musik/weg"));
    window().cmd_NewIndex_Click();
    EXPECT_EQ(
        lastMessage(),
        fileError("Datei oder Verzeichnis nicht gefunden: " + tree.file("Musik/weg"), "Temp"));
    EXPECT_EQ(state(), doneWithoutSongs);
}

TEST_F(IndexWindow, AFailingDriveBringsBackTheFormerChoice) {
    const std::string missing = tree.file("kein-medium") + "/";
    fake.system.driveList = {
        {"/", {}}, {tree.path() + "/", QStringLiteral("Musik")}, {missing, {}}};
    auto* drives = element<QComboBox>("Drive_Index");
    drives->setCurrentIndex(1);
    EXPECT_EQ(folders()->path(), tree.path());
    ASSERT_TRUE(folders()->setPath(tree.file("Musik")));
    window().Drive_Index_GotFocus();

    drives->setCurrentIndex(2);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(
        lastMessage(),
        (MessageRequest{QString::fromStdString(
                            "Fehler: > Datei oder Verzeichnis nicht gefunden: " + missing + " < "),
                        QStringLiteral("Fehler !!"), MessageButtons::Ok, MessageIcon::Critical}));
    EXPECT_EQ(drives->currentIndex(), 1);
    EXPECT_EQ(folders()->path(), tree.file("Musik"));
    EXPECT_EQ(text("lbl_path").toStdString(), tree.file("Musik"));
}

TEST_F(IndexWindow, NetworkFolderIsTheDialogsNameLessTwentyCharacters) {
    fake.system.networkPresent = true;
    fake.system.networkFolderPath = tree.path() + "/";
    folder("Ärzte");
    const std::string wanted = tree.file("Musik/Ärzte");
    EXPECT_TRUE(buttonNamed("cmd_net")->isEnabled());

    fake.dialogs.answerNextFileDialog(wanted + "/Bitte Nicht Ändern !");
    window().cmd_net_Click();
    ASSERT_EQ(fake.dialogs.fileDialogs.size(), 1u);
    const FileDialogRequest& asked = fake.dialogs.fileDialogs.front();
    EXPECT_EQ(asked.title, "Ordner im Netzwerk Auswählen");
    EXPECT_EQ(asked.fileName, "Bitte Nicht Ändern !");
    EXPECT_EQ(asked.initialFolder, tree.path() + "/");
    EXPECT_TRUE(asked.acceptNonExisting);
    EXPECT_EQ(folders()->path(), wanted);
    EXPECT_EQ(text("lbl_path").toStdString(), wanted);

    // Answers that leave no folder change nothing and show nothing.
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>(), std::optional<std::string>("Bitte Nicht Ändern !"),
          std::optional<std::string>("zu kurz"),
          std::optional<std::string>(tree.file("Musik") + "/anderer-Name-hier.mp3")}) {
        fake.dialogs.answerNextFileDialog(answer);
        window().cmd_net_Click();
        EXPECT_EQ(folders()->path(), wanted);
    }
    EXPECT_EQ(fake.dialogs.fileDialogs.back().fileName, "Bitte Nicht Ändern !");
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(IndexWindow, AFolderWhoseNameIsNotUtf8CanBeChosenInTheTree) {
    const std::string latin1 = "Caf\xE9 del Mar"; // as copied from an old disk
    folder(latin1);
    const std::string bytes = song(latin1 + "/\xE9t\xE9.mp3");
    ASSERT_TRUE(folders()->setPath(tree.file("Musik")));
    const QModelIndex musik = folders()->currentIndex();
    const QString shown = QStringLiteral("Caf\uFFFD del Mar");
    QModelIndex chosen;
    for (int row = 0; row < folders()->model()->rowCount(musik); ++row)
        if (folders()->model()->index(row, 0, musik).data().toString() == shown)
            chosen = folders()->model()->index(row, 0, musik);
    ASSERT_TRUE(chosen.isValid()) << "not in the tree";

    folders()->setCurrentIndex(chosen); // as a click does
    EXPECT_EQ(folders()->path(), tree.file("Musik/" + latin1));
    EXPECT_EQ(text("lbl_path"), QString::fromStdString(tree.file("Musik/")) + shown);
    window().cmd_NewIndex_Click();
    EXPECT_EQ(app.read("mp3.tmp"), bytes + "\r\n");
    std::filesystem::remove_all(tree.file("Musik/" + latin1)); // Qt cannot name it to remove it
}

TEST_F(IndexWindow, EndingTheProgramAsksFirst) {
    const MessageRequest question{QStringLiteral("Programm Beenden ?"), QStringLiteral("Beenden ?"),
                                  MessageButtons::YesNo, MessageIcon::None};
    fake.dialogs.answerNextMessage(MessageAnswer::No);
    buttonNamed("cmd_fertig")->click();
    EXPECT_EQ(lastMessage(), question);
    EXPECT_EQ(fake.system.endRequests, 0);
    fake.dialogs.answerNextMessage(MessageAnswer::Yes);
    buttonNamed("cmd_fertig")->click();
    EXPECT_EQ(fake.system.endRequests, 1);
}

class IndexWindowSaving : public IndexWindow {
protected:
    void SetUp() override {
        IndexWindow::SetUp();
        twelveSongs();
        runOverMusic();
        fake.dialogs.messages.clear();
    }
    void writeOldIndex() {
        std::string songs, folderLines;
        for (int i = 1; i <= 100; ++i)
            songs += "/alt/" + std::to_string(i % 10) + "/s" + std::to_string(i) + ".mp3\r\n";
        for (int i = 0; i < 10; ++i)
            folderLines += "/alt/" + std::to_string(i) + "/\r\n";
        app.write("index.dat", songs);
        app.write("files.dat", " 100 \r\n");
        app.write("index1.dat", folderLines);
        app.write("ordner.dat", " 10 \r\n");
    }
    void save(MessageAnswer answer) {
        fake.dialogs.answerNextMessage(answer);
        buttonNamed("cmd_save")->click();
    }
};

TEST_F(IndexWindowSaving, ReplaceMakesTheRunTheIndex) {
    writeOldIndex();
    const std::string runSongs = app.read("mp3.tmp");
    const std::string runFolders = app.read("ordner.tmp");
    save(MessageAnswer::Yes);
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.dialogs.messages[0], saveQuestion());
    EXPECT_EQ(fake.dialogs.messages[1], info("Neue Index-Datei gespeichert !", "Hinweis !"));
    EXPECT_FALSE(buttonNamed("cmd_save")->isEnabled());
    EXPECT_EQ(app.read("index.dat"), runSongs);
    EXPECT_EQ(app.read("index1.dat"), runFolders);
    EXPECT_EQ(app.read("files.dat"), " 12 \r\n");
    EXPECT_EQ(app.read("ordner.dat"), " 3 \r\n");
    EXPECT_FALSE(app.exists("mp3.tmp"));
    auto loaded = loadIndex(app.path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(std::string(loaded.value()->fullPath(12)), listed().back());
}

TEST_F(IndexWindowSaving, AppendTwiceAddsTheRunEachTime) {
    writeOldIndex();
    const std::string oldSongs = app.read("index.dat");
    const std::string runSongs = app.read("mp3.tmp");
    save(MessageAnswer::No);
    EXPECT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_TRUE(buttonNamed("cmd_save")->isEnabled());
    EXPECT_EQ(app.read("files.dat"), " 112 \r\n");
    EXPECT_EQ(app.read("ordner.dat"), " 13 \r\n");
    EXPECT_EQ(app.read("index.dat"), oldSongs + runSongs);
    EXPECT_TRUE(app.exists("mp3.tmp"));
    save(MessageAnswer::No);
    EXPECT_EQ(app.read("files.dat"), " 124 \r\n");
    EXPECT_EQ(app.read("index.dat"), oldSongs + runSongs + runSongs);
    auto loaded = loadIndex(app.path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.value()->folderCount(), 16u);
}

TEST_F(IndexWindowSaving, AppendWithoutAnIndexSaysSoAndChangesNothing) {
    save(MessageAnswer::No);
    EXPECT_EQ(lastMessage(),
              fileError("Datei oder Verzeichnis nicht gefunden: files.dat", "Index"));
    EXPECT_TRUE(buttonNamed("cmd_save")->isEnabled());
    EXPECT_FALSE(app.exists("index.dat"));
}

TEST_F(IndexWindowSaving, ReplaceWithoutTheTemporaryListKeepsTheOldIndex) {
    writeOldIndex();
    std::filesystem::remove(app.file("mp3.tmp"));
    save(MessageAnswer::Yes);
    EXPECT_EQ(lastMessage(), fileError("Datei oder Verzeichnis nicht gefunden: mp3.tmp", "Index"));
    EXPECT_TRUE(buttonNamed("cmd_save")->isEnabled());
    EXPECT_TRUE(loadIndex(app.path()));
    EXPECT_EQ(app.read("files.dat"), " 100 \r\n");
}

TEST_F(IndexWindowSaving, CancelChangesNothing) {
    writeOldIndex();
    save(MessageAnswer::Cancel);
    EXPECT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_TRUE(buttonNamed("cmd_save")->isEnabled());
    EXPECT_EQ(app.read("files.dat"), " 100 \r\n");
    EXPECT_TRUE(app.exists("mp3.tmp"));
}

TEST(GermanButtons, MessageBoxAndFileDialogButtonsSpeakGerman) {
    ASSERT_TRUE(installGermanTranslations(*QCoreApplication::instance()));
    for (const auto& [english, german] : std::vector<std::pair<const char*, const char*>>{
             {"&Yes", "&Ja"}, {"&No", "&Nein"}, {"Cancel", "Abbrechen"}, {"Retry", "Wiederholen"}})
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", english), QString::fromUtf8(german))
            << english;
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Öffnen"));
}

} // namespace
} // namespace liedspur
