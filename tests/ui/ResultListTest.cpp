#include "SearchWindowFixture.h"

#include "index/IndexLoader.h"
#include "ui/Twips.h"

#include "Processes.h"

#include <QAccessible>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>

namespace liedspur::testing {
namespace {

const std::string eins = "/m/A B/eins.mp3", zwei = "/m/A B/zwei.mp3", drei = "/drei.mp3";
const std::vector<std::string> wholeList = {"play " + eins, "add " + zwei, "add " + drei},
                               addAll = {"add " + eins, "add " + zwei, "add " + drei};

class ResultListKeys : public SearchWindowFixture {
protected:
    ResultListKeys() { dir.writeIndex({eins, zwei, drei}, {"/m/A B/", "/"}); }

    // `row` -1: nothing listed; 0: the full listing without a selected row; 1: as the
    // listing left it; 2 or 3: that row selected.
    void prepare(bool folders, int row) {
        start();
        if (folders)
            folderMode().click();
        if (row >= 0)
            click("cmd_Alle");
        if (row == 0)
            list().selectionModel()->clearSelection();
        if (row > 1)
            selectRow(row);
    }
    QPoint onRow(int position) {
        return list().visualRect(list().model()->index(position - 1, 0)).center();
    }
    QPoint belowTheRows() { return QPoint(20, list().viewport()->height() - 5); }
    // The selected row's position in the full listing.
    std::size_t selected() { return list().selectedRow()->number(); }
    // Clicks `button` over the list and returns the name of the pop-up menu it opened.
    QString clickOnList(Qt::MouseButton button, QPoint where) {
        QString opened;
        QTimer::singleShot(0, [&opened] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                opened = menu->objectName();
                menu->close();
            }
        });
        QTest::mouseClick(list().viewport(), button, {}, where);
        settle();
        return opened;
    }
};

struct Gesture {
    const char* name;
    bool folders;
    int row; // as for prepare()
    // The characters typed on the list, "@" and the name of the menu entry chosen, or "2×" for
    // a double click on the row, below the rows where none is selected.
    std::string gesture;
    std::vector<std::string> started;
    std::size_t messages = 0;
};

class Gestures : public ResultListKeys, public ::testing::WithParamInterface<Gesture> {};

TEST_P(Gestures, StartWhatTheyStandFor) {
    const Gesture& c = GetParam();
    prepare(c.folders, c.row);
    if (c.gesture.starts_with('@'))
        trigger(c.gesture.c_str() + 1);
    else if (c.gesture == "2×")
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {},
                           c.row > 1 ? onRow(c.row) : belowTheRows());
    else
        for (const char key : c.gesture)
            QTest::keyClick(&list(), key);
    settle();
    EXPECT_EQ(started(), c.started);
    EXPECT_EQ(fake.dialogs.messages.size(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndMenus, Gestures,
    ::testing::Values(Gesture{"SongSpaceAddsTheSong", false, 2, " ", {"add " + zwei}},
                      Gesture{"SongHashAddsTheFolder", false, 2, "#", {"add /m/A B"}},
                      Gesture{"SongPlusPlaysTheWholeList", false, 2, "+", wholeList},
                      Gesture{"SongOtherKeysNothing", false, 2, "aZ\r\x1b", {}},
                      Gesture{"SongSpaceAfterTheListingAddsRowOne", false, 1, " ", {"add " + eins}},
                      Gesture{"SongWithoutSelectionNothing", false, 0, "# ", {}},
                      Gesture{"SongEmptyListNothing", false, -1, " #+", {}},
                      Gesture{"FolderSpaceAddsTheFolder", true, 2, " ", {"add /"}},
                      Gesture{"FolderOtherKeysNothing", true, 2, "#+aZ", {}},
                      Gesture{"SongDoubleClickPlaysIt", false, 2, "2×", {"play " + zwei}},
                      Gesture{"FolderDoubleClickPlaysIt", true, 2, "2×", {"play /"}},
                      Gesture{"DoubleClickWithoutSelectionComplains", false, 0, "2×", {}, 1},
                      Gesture{"OpenInExplorer", false, 2, "@OpenInExplorer", {"explorer /m/A B/"}},
                      Gesture{"OpenMitAmp", false, 2, "@OpenMitAmp", {"play /m/A B"}},
                      Gesture{"AlleInPlaylist", false, 2, "@AlleInPlaylist", {"add /m/A B"}},
                      Gesture{"LiedAbspielen", false, 2, "@LiedAbspielen", {"play " + zwei}},
                      Gesture{"InWinAmpList", false, 2, "@InWinAmpList", {"add " + zwei}},
                      Gesture{"AlleInWinamp", false, 2, "@AlleInWinamp", wholeList},
                      Gesture{"ListeEinfuegen", false, 2, "@ListeEinfügen", addAll},
                      Gesture{"OpenInExplorer_2", true, 2, "@OpenInExplorer_2", {"explorer /"}},
                      Gesture{"OpenMitAmp_2", true, 1, "@OpenMitAmp_2", {"play /m/A B"}},
                      Gesture{"AlleInPlayList_2", true, 1, "@AlleInPlayList_2", {"add /m/A B"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultListKeys, ControlOrAltMakeNoKeyControlKeypadPlusFitsAndKeypadPlusIsPlus) {
    prepare(false, 2);
    list().header()->resizeSection(2, 5);
    for (const Qt::KeyboardModifiers modifiers : {Qt::ControlModifier, Qt::AltModifier}) {
        for (const char c : {' ', '#', '+'})
            QTest::keyClick(&list(), c, modifiers);
        QTest::keyClick(&list(), Qt::Key_Plus, modifiers | Qt::KeypadModifier);
    }
    EXPECT_TRUE(started().empty());
    // Fitted: what fitting gives is checked with the searches.
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
    // Keypad plus alone is "+", which leaves out what cannot be started without a message.
    fake.processes.failingProgram = player();
    QTest::keyClick(&list(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(fake.processes.refused.size(), 3u);
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(ResultListKeys, TheMouseSelectsAndTheRightButtonOpensTheMenuOfTheMode) {
    prepare(false, 2);
    EXPECT_EQ(clickOnList(Qt::RightButton, belowTheRows()), "kontex");
    EXPECT_EQ(selected(), 2u);
    EXPECT_EQ(clickOnList(Qt::RightButton, onRow(3)), "kontex");
    EXPECT_EQ(selected(), 3u);
    EXPECT_EQ(clickOnList(Qt::LeftButton, onRow(1)) + clickOnList(Qt::MiddleButton, onRow(1)), "");
    EXPECT_EQ(selected(), 1u);
    folderMode().click();
    EXPECT_EQ(clickOnList(Qt::RightButton, belowTheRows()), ""); // the switch emptied the list
    click("cmd_Alle");
    EXPECT_EQ(clickOnList(Qt::RightButton, belowTheRows()), "kontex_2");
    EXPECT_TRUE(started().empty());
}

TEST_F(ResultListKeys, ClosingTheWindowDropsWaitingStartsAndEndsTheProgram) {
    prepare(false, 1);
    // A player that takes a second for each command.
    fake.processes.turn = std::chrono::seconds(1);
    QElapsedTimer sinceClosing;
    QTimer::singleShot(0, [this] { QTest::keyClick(&list(), '+'); });
    QTimer::singleShot(300, [this, &sinceClosing] {
        sinceClosing.start();
        window->close();
    });
    QTimer safety;
    QObject::connect(&safety, &QTimer::timeout, qApp, &QCoreApplication::quit);
    safety.start(10000);
    QApplication::exec();
    EXPECT_LT(sinceClosing.elapsed(), 1000);
    EXPECT_EQ(started(), (std::vector<std::string>{"play " + eins}));
}

// The user ticks "Nur in Ordner suchen" while a large index is reloaded after the index
// window and goes on with the list at once. The switch waits for the reload; the song rows
// it drops must be gone already, so that no gesture takes them for folders.
TEST_F(ResultListKeys, GesturesDuringAModeSwitchThatWaitsForAReloadFindNoRows) {
    std::vector<std::string> songs, folders;
    for (int i = 0; i < 1000; ++i)
        folders.push_back("/m/Ordner " + std::to_string(i) + "/");
    // As many songs as make a reload outlast its first look at pending events, 15 ms in,
    // however fast the machine reads.
    for (QElapsedTimer loading; songs.size() < 300'000 || loading.elapsed() < 45;) {
        for (std::size_t i = songs.size(), end = std::max<std::size_t>(2 * i, 300'000); i < end;
             ++i)
            songs.push_back("/m/Ordner " + std::to_string(i % 1000) + "/Lied " + std::to_string(i) +
                            ".mp3");
        dir.writeIndex(songs, folders);
        loading.start();
        ASSERT_TRUE(loadIndex(dir.path()));
    }
    prepare(false, 1);
    const IndexPtr before = window->index();
    songs.pop_back();
    bool duringReload = false;
    QTimer duringTheReload;
    duringTheReload.setInterval(0);
    QObject::connect(&duringTheReload, &QTimer::timeout, [&] {
        if (window->activations() < 2)
            return;
        duringTheReload.stop();
        duringReload = window->index() == before;
        folderMode().click();
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, onRow(1));
        for (const char key : std::string_view(" #+"))
            QTest::keyClick(&list(), key);
        for (const char* entry : {"LiedAbspielen", "InWinAmpList", "AlleInWinamp", "OpenMitAmp_2"})
            trigger(entry);
    });
    inIndexWindow = [&] {
        dir.writeIndex(songs, folders);
        // Due at the reload's first look at pending events.
        duringTheReload.start();
    };
    trigger("New_Index");
    ASSERT_TRUE(eventually([&] { return window->index() != before; }));
    settle();
    EXPECT_TRUE(duringReload);
    EXPECT_EQ(started(), std::vector<std::string>{});
    EXPECT_EQ(info(), "Info: Gefundene Ordner = 0");
    click("cmd_Alle");
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, onRow(1));
    EXPECT_EQ(started(), std::vector<std::string>{"play /m/Ordner 0"});
}

TEST_F(ResultListKeys, ArrowsPagesHomeAndEndMoveTheSelectionAndKeepItOnScreen) {
    std::vector<std::string> songs;
    for (int i = 1; i <= 100; ++i)
        songs.push_back("/m/" + std::to_string(i) + ".mp3");
    dir.writeIndex(songs, {"/m/"});
    prepare(false, 1);
    const auto shown = [this] {
        const QRect row = list().visualRect(list().selectionModel()->selectedRows().value(0));
        return list().viewport()->rect().contains(row);
    };
    // The row each key leads to; -1 and -2: more than one row down or up.
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Up, 1},        {Qt::Key_Down, 2},
                                            {Qt::Key_PageDown, -1}, {Qt::Key_End, 100},
                                            {Qt::Key_PageUp, -2},   {Qt::Key_Home, 1}};
    std::size_t before = selected();
    for (const auto& [key, row] : keys) {
        QTest::keyClick(&list(), key);
        const long step = long(selected()) - long(before);
        before = selected();
        EXPECT_TRUE(row > 0 ? before == std::size_t(row) : row == -1 ? step > 1 : step < -1) << key;
        EXPECT_TRUE(shown()) << key;
    }
}

TEST_F(ResultListKeys, ScreenReadersSeeATableOfTheRows) {
    prepare(false, 2);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&this->list());
    ASSERT_TRUE(list && list->tableInterface());
    EXPECT_EQ(list->role(), QAccessible::Table);
    QAccessibleTableInterface& table = *list->tableInterface();
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.columnDescription(1), "Ordner");
    EXPECT_EQ(table.cellAt(1, 0)->text(QAccessible::Name), "zwei.mp3");
    EXPECT_EQ(table.selectedRows(), QList<int>{1});
}

// Fitted columns against every text they hold, in large lists of songs and folders.
class ColumnFit : public SearchWindowFixture {
protected:
    ColumnFit() {
        std::vector<std::string> songs, folders;
        for (int folder = 0; folder < 2000; ++folder) {
            folders.push_back("/Musik/" + std::string(60, 'l') + std::to_string(folder) + "/");
            if (folder == 1500)
                folders.back() = wideFolder;
            for (int track = 0; track < 10; ++track)
                songs.push_back(folders.back() + std::to_string(track) + " - " +
                                std::string(30, 'j') + ".mp3");
        }
        songs[17'003] = folders[1700] + wide;
        dir.writeIndex(songs, folders);
    }
    void waitForWidths() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return list().hasTextWidths(window->index()); }));
    }
    // The texts of `column` that show cut: wider than their column less the margin before.
    std::vector<std::string> cut(int column) {
        const QFontMetricsF metrics(list().font());
        const int margin =
            list().style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list()) + 1;
        std::vector<std::string> texts;
        for (int row = 0; row < list().model()->rowCount(); ++row) {
            const QString text = list().model()->index(row, column).data().toString();
            if (metrics.horizontalAdvance(text) + margin > list().header()->sectionSize(column))
                texts.push_back(text.toStdString());
        }
        return texts;
    }
    const std::string wide = std::string(22, 'W') + ".mp3",
                      wideFolder = "/Musik/" + std::string(40, 'M') + "/";
};

TEST_F(ColumnFit, NoTextIsCutOnceTheWidthsAreMeasured) {
    start();
    waitForWidths();
    // Without the widths only the longest texts in bytes and those on screen are measured; the
    // fit is made again when they come.
    list().dropTextWidths();
    click("cmd_Alle");
    EXPECT_EQ(cut(0), std::vector<std::string>{wide});
    EXPECT_EQ(cut(1), std::vector<std::string>(10, wideFolder));
    list().measureTexts(window->index());
    waitForWidths();
    EXPECT_EQ(cut(0), std::vector<std::string>{});
    for (const auto& [folderRows, listing, text] :
         {std::tuple{false, true, ""}, std::tuple{false, false, "3"}, std::tuple{true, true, ""}}) {
        SCOPED_TRACE(std::string(folderRows ? "folders " : "songs ") + text);
        folderMode().setChecked(folderRows);
        if (listing)
            click("cmd_Alle");
        else
            search(text);
        ASSERT_GT(list().count(), 1000u);
        EXPECT_EQ(cut(0), std::vector<std::string>{});
        EXPECT_EQ(cut(1), std::vector<std::string>{});
    }
}

TEST(CharacterCode, IsBackspaceAlsoWhereTheKeyComesWithoutText) {
    EXPECT_EQ(ResultListView::characterCode(QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, {})), 8);
    EXPECT_EQ(ResultListView::characterCode(QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, {})), 0);
}

} // namespace
} // namespace liedspur::testing
