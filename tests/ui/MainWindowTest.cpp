#include "SearchWindowFixture.h"

#include "ui/ResultListView.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace liedspur::testing {
namespace {

const std::vector<std::string> songs = {
    "/musik/Abba/Gold/Dancing Queen.mp3",         // 1
    "/musik/Abba/Gold/Waterloo.MP3",              // 2
    "/musik/Die Ärzte/Junge - Live.mp3",          // 3
    "/musik/Queen/Live/We Are The Champions.mp3", // 4
};
const std::vector<std::string> folders = {"/musik/Abba/Gold/", "/musik/Die Ärzte/",
                                          "/musik/Queen/Live/"};

QWidget* topLevel(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            return widget;
    return nullptr;
}

class MainWindow : public SearchWindowFixture {
protected:
    void startWithIndex() {
        writeIndex(songs, folders);
        start();
    }
    ResultListView& list() { return *element<ResultListView>("lv_1"); }
    QCheckBox& folderMode() { return *element<QCheckBox>("chk_MitOrdner"); }
    QCheckBox& exact() { return *element<QCheckBox>("chk_genau"); }
    void search(const QString& text) {
        typeSearchText(text);
        click("cmd_suchen");
    }
    void switchMode() { folderMode().click(); }
};

TEST_F(MainWindow, StartsWithItsDesignValues) {
    startWithIndex();
    EXPECT_EQ(window->windowTitle(), "Liedspur ");
    EXPECT_EQ(searchField().text(), "SuchText hier eingeben");
    EXPECT_EQ(searchField().selectedText(), "SuchText hier eingeben");
    EXPECT_EQ(QApplication::focusWidget(), &searchField());
    EXPECT_FALSE(folderMode().isChecked());
    EXPECT_FALSE(exact().isChecked());
    EXPECT_EQ(info(), "Info:");
    EXPECT_EQ(list().count(), 0u);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(window->frameGeometry().width(), window->screen()->geometry().width());
    EXPECT_EQ(element<QGroupBox>("Frame1")->title(), " Suchoptionen ");
    EXPECT_TRUE(element<QPushButton>("cmd_suchen")->isDefault());

    std::vector<QString> menu;
    for (QAction* action : window->menuBar()->actions()) {
        EXPECT_EQ(action->menu(), nullptr);
        menu.push_back(action->text());
    }
    EXPECT_EQ(menu, (std::vector<QString>{"&Index-Erstellen", "&Mp3-Info", "&Tastenbelegung"}));

    std::vector<QString> headers;
    for (int column = 0; column < 3; ++column)
        headers.push_back(list().model()->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(headers, (std::vector<QString>{"Song-Titel", "Ordner", "Lft.Nr.:"}));
}

TEST_F(MainWindow, TabCyclesTheInputElements) {
    startWithIndex();
    std::vector<QString> order;
    QWidget* widget = &searchField();
    for (int i = 0; i < 6; ++i) {
        order.push_back(widget->objectName());
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(order, (std::vector<QString>{"txt_suchen", "cmd_suchen", "chk_MitOrdner", "chk_genau",
                                           "cmd_Alle", "lv_1"}));
    EXPECT_EQ(widget, &searchField());
}

TEST_F(MainWindow, StartWithoutSettingsOrIndexLeadsToTheIndexWindowUntilOneIsSaved) {
    std::remove(dir.file("Plattenbox.ini").c_str());
    fake.dialogs.answerNextFileDialog(player());
    inIndexWindow = [this] {
        // Closed once without saving; the second time an index is saved.
        if (indexWindows == 2)
            writeIndex(songs, folders);
    };
    start();

    std::vector<QString> messages;
    for (const MessageRequest& message : fake.dialogs.messages)
        messages.push_back(message.text + " / " + message.title);
    EXPECT_EQ(messages,
              (std::vector<QString>{"WinAmp.exe nicht gefunden ! Bitte manuell auswählen ! / "
                                    "WinAmp nicht gefunden",
                                    "Bitte erst eine Index-Datei erstellen ! / Hinweis",
                                    "Bitte erst eine Index-Datei erstellen ! / Hinweis"}));
    EXPECT_EQ(fake.dialogs.messages[1].icon, MessageIcon::Information);
    EXPECT_EQ(indexWindows, 2);
    EXPECT_EQ(window->activations(), 3);
    EXPECT_EQ(window->index()->songCount(), songs.size());
    EXPECT_EQ(window->playerPath(), player() + " ");
    EXPECT_EQ(dir.read("Plattenbox.ini"), player() + "\r\n");
}

TEST_F(MainWindow, GivingUpThePlayerEndsTheProgramBeforeAnyLoad) {
    std::remove(dir.file("Plattenbox.ini").c_str());
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextFileDialog(dir.file("player.bin"));
    fake.dialogs.answerNextMessage(MessageAnswer::Cancel);
    start();
    EXPECT_EQ(fake.system.endRequests, 1);
    EXPECT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(indexWindows, 0);
}

TEST_F(MainWindow, ActivationCountsOnlyAfterTheProgramsOwnWindows) {
    startWithIndex();
    ASSERT_EQ(window->activations(), 1);

    // A message box or any other passing dialog hands the activation back: no reload.
    {
        QDialog passing(window.get());
        passing.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&passing));
        passing.close();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        settle();
    }
    EXPECT_EQ(window->activations(), 1);

    // Back from the key-bindings window: one activation.
    window->findChild<QAction*>("help")->trigger();
    QWidget* help = topLevel("frm_help");
    ASSERT_TRUE(help);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    settle();
    EXPECT_EQ(window->activations(), 2);

    // Back from the index window: one activation, after that window has closed.
    window->findChild<QAction*>("New_Index")->trigger();
    settle();
    EXPECT_EQ(indexWindows, 1);
    EXPECT_EQ(window->activations(), 3);
    help->close();
}

TEST_F(MainWindow, ACommandDuringAnActivationRunsAfterIt) {
    // The user presses the button while the activation still waits on its message.
    bool pressed = false;
    fake.dialogs.onMessage = [this, &pressed](const MessageRequest&) {
        if (pressed)
            return;
        pressed = true;
        typeSearchText("Queen");
        click("cmd_suchen");
        EXPECT_EQ(info(), "Info:");
    };
    inIndexWindow = [this] { writeIndex(songs, folders); };
    start();
    EXPECT_EQ(searchField().text(), "Keine passenden Songs gefunden");
    EXPECT_EQ(window->activations(), 2);
    EXPECT_EQ(window->index()->songCount(), songs.size());
}

TEST_F(MainWindow, ActivationKeepsAnUnchangedIndexAndAReloadKeepsRowsAlreadyListed) {
    writeIndex(songs, folders);
    // Saved an hour ago: a file written just before it is read is read again next time.
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const char* name : {"files.dat", "index.dat", "ordner.dat", "index1.dat"})
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), hourAgo, 0), 0);
    start();
    const IndexPtr loaded = window->index();
    window->findChild<QAction*>("New_Index")->trigger();
    settle();
    EXPECT_EQ(window->activations(), 2);
    EXPECT_EQ(window->index(), loaded);

    search("queen");
    const auto songRows = rows();
    ASSERT_EQ(songRows.size(), 1u);
    writeIndex({"/neu/Queen Medley.mp3"}, {"/neu/"});
    window->findChild<QAction*>("New_Index")->trigger();
    settle();
    EXPECT_EQ(window->index()->songCount(), 1u);
    EXPECT_EQ(rows(), songRows);
    search("queen");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Queen Medley.mp3|/neu/|1"}));

    switchMode();
    click("cmd_Alle");
    const auto folderRows = rows();
    writeIndex(songs, folders);
    window->findChild<QAction*>("New_Index")->trigger();
    settle();
    EXPECT_EQ(window->index()->folderCount(), folders.size());
    EXPECT_EQ(rows(), folderRows);
}

TEST_F(MainWindow, SongSearchFillsTheListAndTheCountLine) {
    startWithIndex();
    search("LIVE");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Junge - Live.mp3|/musik/Die Ärzte/|3"}));
    EXPECT_EQ(info(), "Info: Gefundene Files = 1");
    EXPECT_EQ(QApplication::focusWidget(), &list());
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
    EXPECT_GE(list().header()->sectionSize(1), list().sizeHintForColumn(1));
    EXPECT_EQ(searchField().text(), "LIVE");

    exact().setChecked(true);
    search("-");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Junge - Live.mp3|/musik/Die Ärzte/|3"}));
    search("Live");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(searchField().text(), "Keine passenden Songs gefunden");
    EXPECT_EQ(searchField().selectedText(), "Keine passenden Songs gefunden");
    EXPECT_EQ(QApplication::focusWidget(), &searchField());
    EXPECT_EQ(info(), "Info: Gefundene Files = 0");
}

TEST_F(MainWindow, FolderSearchListsFolderRows) {
    startWithIndex();
    switchMode();
    search("musik");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Siehe Ordner|/musik/Abba/Gold/|1",
                                                "Siehe Ordner|/musik/Die Ärzte/|2",
                                                "Siehe Ordner|/musik/Queen/Live/|3"}));
    EXPECT_EQ(info(), "Info: Gefundene Ordner = 3");
    search("Dancing");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(searchField().selectedText(), "Keine passenden Ordner gefunden");
    EXPECT_EQ(info(), "Info: Gefundene Ordner = 0");
}

TEST_F(MainWindow, EmptyOrOneBlankTextChangesNothingInEitherMode) {
    startWithIndex();
    for (const bool folders : {false, true}) {
        SCOPED_TRACE(folders ? "folder mode" : "song mode");
        if (folders)
            switchMode();
        search(folders ? "Abba" : "Queen");
        const auto listed = rows();
        const QString count = info();
        ASSERT_FALSE(listed.empty());
        for (const QString& text : {QString(), QStringLiteral(" ")}) {
            search(text);
            EXPECT_EQ(rows(), listed);
            EXPECT_EQ(info(), count);
            EXPECT_EQ(searchField().text(), text);
        }
    }
}

TEST_F(MainWindow, ShowAllListsTheWholeIndexWhateverTheSearchText) {
    startWithIndex();
    typeSearchText("");
    click("cmd_Alle");
    EXPECT_EQ(rows().size(), songs.size());
    EXPECT_EQ(rows().front(), "Dancing Queen.mp3|/musik/Abba/Gold/|1");
    EXPECT_EQ(info(), "Info: Gefundene Files = 4");
    EXPECT_EQ(QApplication::focusWidget(), &list());
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    switchMode();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(info(), "Info: Gefundene Ordner = 0");
    click("cmd_Alle");
    EXPECT_EQ(rows().back(), "Siehe Ordner|/musik/Queen/Live/|3");
    EXPECT_EQ(info(), "Info: Gefundene Ordner = 3");
    switchMode();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(info(), "Info: Gefundene Songs = 0");
}

TEST_F(MainWindow, FittedColumnsShowTheLongestTextsWhereverTheyStand) {
    std::vector<std::string> many;
    for (int i = 1; i <= 3000; ++i)
        many.push_back("/m/" + std::to_string(i) + ".mp3");
    const std::string longName =
        "Ein sehr langer Titel, der weit hinter den ersten Zeilen steht.mp3";
    const std::string longFolder = "/m/ein/sehr/langer/Ordner/weit/unten/";
    many[2500] = longFolder + longName;
    writeIndex(many, {"/m/"});
    start();
    click("cmd_Alle");
    const QFontMetrics metrics = list().fontMetrics();
    EXPECT_GT(list().header()->sectionSize(0),
              metrics.horizontalAdvance(QString::fromStdString(longName)));
    EXPECT_GT(list().header()->sectionSize(1),
              metrics.horizontalAdvance(QString::fromStdString(longFolder)));
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
}

TEST_F(MainWindow, ShowAllOnAnEmptyIndexEndsWithCountZero) {
    writeIndex({}, {});
    start();
    click("cmd_Alle");
    EXPECT_EQ(info(), "Info: Gefundene Files = 0");
    EXPECT_EQ(QApplication::focusWidget(), &list());
    search("x");
    EXPECT_EQ(searchField().text(), "Keine passenden Songs gefunden");
}

TEST_F(MainWindow, EnterRunsTheDefaultButtonOrAlleZeigen) {
    startWithIndex();
    struct Case {
        const char* element;
        QString expectedInfo;
    };
    for (const Case& c : {Case{"txt_suchen", "Info: Gefundene Files = 1"},
                          Case{"cmd_suchen", "Info: Gefundene Files = 1"},
                          Case{"chk_MitOrdner", "Info: Gefundene Files = 1"},
                          Case{"chk_genau", "Info: Gefundene Files = 1"},
                          Case{"cmd_Alle", "Info: Gefundene Files = 4"}}) {
        SCOPED_TRACE(c.element);
        typeSearchText("Waterloo");
        element<QLabel>("lbl_info")->setText("");
        auto* target = element<QWidget>(c.element);
        target->setFocus();
        settle();
        QTest::keyClick(target, Qt::Key_Return);
        EXPECT_EQ(info(), c.expectedInfo);
    }
    EXPECT_FALSE(folderMode().isChecked());
    EXPECT_FALSE(exact().isChecked());
}

TEST_F(MainWindow, BackspaceOnTheButtonOrTheListSelectsTheSearchText) {
    startWithIndex();
    search("Queen");
    const QString count = info();
    for (const char* name : {"cmd_suchen", "lv_1"}) {
        SCOPED_TRACE(name);
        auto* target = element<QWidget>(name);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Backspace);
        EXPECT_EQ(QApplication::focusWidget(), &searchField());
        EXPECT_EQ(searchField().selectedText(), "Queen");
        EXPECT_EQ(info(), count);
    }
    // On a check box Backspace means nothing.
    folderMode().setFocus();
    QTest::keyClick(&folderMode(), Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), &folderMode());
}

TEST_F(MainWindow, ResizeKeepsTheMinimumAndTheScreenHeight) {
    startWithIndex();
    const int screenHeight = window->screen()->geometry().height();
    struct Case {
        QSize requested;
        QSize expected;
    };
    for (const Case& c : {Case{QSize(100, 50), QSize(twipsToPixels(10680), twipsToPixels(3000))},
                          Case{QSize(900, screenHeight + 300), QSize(900, screenHeight)},
                          Case{QSize(1000, 400), QSize(1000, 400)}}) {
        SCOPED_TRACE(c.requested.width());
        // Sizes are the window's outer sizes, frame included.
        window->resize(c.requested - (window->frameGeometry().size() - window->size()));
        settle();
        EXPECT_EQ(window->frameGeometry().size(), c.expected);
        EXPECT_EQ(list().width(), c.expected.width() - twipsToPixels(360));
        EXPECT_EQ(list().height(), c.expected.height() - (list().y() + twipsToPixels(700)));
        EXPECT_EQ(element<QGroupBox>("Frame1")->width(), list().width());
        EXPECT_EQ(searchField().width(), list().width() - 2 * twipsToPixels(240));
        EXPECT_EQ(element<QPushButton>("cmd_Alle")->geometry(), twipsRect(8520, 600, 1575, 375));
    }
}

TEST_F(MainWindow, MinimizedKeepsItsLayoutMaximizedFillsTheScreenRestoredIsAsBefore) {
    startWithIndex();
    window->resize(1000, 400);
    settle();
    ASSERT_EQ(window->frameGeometry().size(), QSize(1004, 404));
    const QSize listSize = list().size();
    window->showMinimized();
    settle();
    EXPECT_EQ(list().size(), listSize);
    window->showMaximized();
    settle();
    const QSize outer = window->frameGeometry().size();
    EXPECT_EQ(list().width(), outer.width() - twipsToPixels(360));
    EXPECT_EQ(list().height(), outer.height() - (list().y() + twipsToPixels(700)));
    // Restored, it has its earlier size again, also where the window system tells the new
    // state before the new size, as X11 does.
    window->overrideWindowState(Qt::WindowNoState);
    QWindowStateChangeEvent restored(Qt::WindowMaximized);
    QApplication::sendEvent(window.get(), &restored);
    settle();
    EXPECT_EQ(window->frameGeometry().size(), QSize(1004, 404));
    EXPECT_EQ(list().size(), listSize);
}

} // namespace
} // namespace liedspur::testing
