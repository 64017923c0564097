#include "SearchWindowFixture.h"

#include "ui/Twips.h"

#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QScreen>

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

class MainWindow : public SearchWindowFixture {
protected:
    void startWithIndex() {
        dir.writeIndex(songs, folders);
        start();
    }
    QCheckBox& exact() { return *element<QCheckBox>("chk_genau"); }
    QWidget* focus() { return QApplication::focusWidget(); }
    void menu(const char* entry) {
        trigger(entry);
        settle();
    }
    // The rows as "S" (song) or "F" (folder) and their numbers, such as "S1 S3".
    std::string rows() {
        std::string text;
        for (std::size_t position = 1; position <= list().count(); ++position) {
            const ResultRow row = *list().rowAt(position);
            text += (row.kind() == RowKind::Song ? " S" : " F") + std::to_string(row.number());
        }
        return text.empty() ? text : text.substr(1);
    }
    // The list's size in a window of this outer size, as designed, ending at the latest
    // where the client area ends.
    QSize listSizeIn(QSize outer) {
        const int bottom =
            std::min(outer.height() - twipsToPixels(700), list().parentWidget()->height());
        return {outer.width() - twipsToPixels(360), bottom - list().y()};
    }
};

TEST_F(MainWindow, WithoutSettingsOrIndexTheActivationLeadsToTheIndexWindowUntilOneIsSaved) {
    dir.remove("Plattenbox.ini");
    fake.dialogs.answerNextFileDialog(player());
    // The user presses the button while the first activation still shows its message: the
    // search waits for that activation and runs on its (empty) index.
    fake.dialogs.onMessage = [this](const MessageRequest&) {
        if (fake.dialogs.messages.size() > 1)
            return;
        search("Queen");
        EXPECT_EQ(info(), "Info:");
    };
    // Closed once without saving; the second time an index is saved.
    inIndexWindow = [this] {
        if (indexWindows == 2)
            dir.writeIndex(songs, folders);
    };
    start();
    const MessageRequest noIndex{"Bitte erst eine Index-Datei erstellen !", "Hinweis",
                                 MessageButtons::Ok, MessageIcon::Information};
    ASSERT_EQ(fake.dialogs.messages.size(), 3u);
    EXPECT_EQ(fake.dialogs.messages[1], noIndex);
    EXPECT_EQ(fake.dialogs.messages[2], noIndex);
    EXPECT_EQ(searchField().text(), "Keine passenden Songs gefunden");
    EXPECT_EQ(indexWindows, 2);
    EXPECT_EQ(window->activations(), 3);
    EXPECT_EQ(window->index()->songCount(), songs.size());
    EXPECT_EQ(window->playerPath(), player() + " ");
}

TEST_F(MainWindow, GivingUpThePlayerEndsTheProgramBeforeAnyLoad) {
    dir.remove("Plattenbox.ini");
    fake.dialogs.answerNextMessage(MessageAnswer::Ok);
    fake.dialogs.answerNextFileDialog(dir.file("player.bin"));
    fake.dialogs.answerNextMessage(MessageAnswer::Cancel);
    start();
    EXPECT_EQ(fake.system.endRequests, 1);
    EXPECT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(indexWindows, 0);
}

TEST_F(MainWindow, ActivationRunsAgainOnlyAfterTheProgramsOwnWindows) {
    startWithIndex();
    // Back from the window just opened by switching, or where the program cannot activate
    // its windows, as on Wayland, by closing it.
    const auto back = [this] {
        QWidget* other = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            other = QApplication::activeWindow();
            return other && other != window.get();
        }));
        if (!other)
            return;
        if (placesWindows())
            window->activateWindow();
        else
            other->close();
        EXPECT_TRUE(waitUntilActive(window.get()));
        settle();
    };
    QDialog passing(window.get());
    passing.show();
    back();
    passing.close();
    EXPECT_EQ(window->activations(), 1);
    for (const char* own : {"help", "info"}) {
        menu(own);
        back();
    }
    EXPECT_EQ(window->activations(), 3);
    // Back from the index window the new index is loaded; the rows listed stay as they were.
    search("queen");
    dir.writeIndex({"/neu/Queen Medley.mp3"}, {"/neu/"});
    menu("New_Index");
    EXPECT_EQ(indexWindows, 1);
    EXPECT_EQ(window->activations(), 4);
    EXPECT_EQ(list().rowAt(1).value().songTarget(), songs[0]);
    search("queen");
    EXPECT_EQ(list().rowAt(1).value().songTarget(), "/neu/Queen Medley.mp3");
}

// One after another in one window: a blank text leaves what the row before listed.
struct SearchCase {
    bool folders;
    bool exact;
    QString text;
    bool all; // cmd_Alle, else cmd_suchen
    std::string rows;
    QString count;
    // The search field's text afterwards, selected where it holds the message.
    QString field;
} const searchCases[] = {
    {false, false, "LIVE", false, "S3", "Files = 1", "LIVE"},
    {false, true, "", false, "S3", "Files = 1", ""},
    {false, false, " ", false, "S3", "Files = 1", " "},
    {false, true, "Live", false, "", "Files = 0", "Keine passenden Songs gefunden"},
    {true, false, "musik", false, "F1 F2 F3", "Ordner = 3", "musik"},
    {true, false, " ", false, "F1 F2 F3", "Ordner = 3", " "},
    {true, false, "Dancing", false, "", "Ordner = 0", "Keine passenden Ordner gefunden"},
    {false, false, "", true, "S1 S2 S3 S4", "Files = 4", ""},
    {true, false, "x", true, "F1 F2 F3", "Ordner = 3", "x"},
};

TEST_F(MainWindow, SearchesAndListingsFillTheListAndTheCountLine) {
    startWithIndex();
    for (const SearchCase& c : searchCases) {
        SCOPED_TRACE(c.text.toStdString() + (c.all ? " all" : ""));
        folderMode().setChecked(c.folders);
        exact().setChecked(c.exact);
        list().header()->resizeSection(2, 5);
        searchField().setText(c.text);
        click(c.all ? "cmd_Alle" : "cmd_suchen");
        EXPECT_EQ(rows(), c.rows);
        // Row 1 selected, so that the list's keys act on it at once.
        EXPECT_EQ(list().selectionModel()->selectedRows().value(0).row(), c.rows.empty() ? -1 : 0);
        EXPECT_EQ(info(), "Info: Gefundene " + c.count);
        EXPECT_EQ(searchField().text(), c.field);
        if (c.rows.empty()) {
            EXPECT_EQ(focus(), &searchField());
            EXPECT_EQ(searchField().selectedText(), c.field);
        } else if (c.all || !c.text.trimmed().isEmpty()) {
            EXPECT_EQ(focus(), &list());
            EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
        }
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The mode switch empties the list.
    for (const QString count : {"Info: Gefundene Songs = 0", "Info: Gefundene Ordner = 0"}) {
        folderMode().click();
        EXPECT_EQ(rows(), "");
        EXPECT_EQ(info(), count);
    }
}

TEST_F(MainWindow, ListingAnEmptyIndexEndsWithCountZeroOnTheList) {
    dir.writeIndex({}, {});
    start();
    click("cmd_Alle");
    EXPECT_EQ(info(), "Info: Gefundene Files = 0");
    EXPECT_EQ(focus(), &list());
}

TEST_F(MainWindow, EnterRunsTheDefaultButtonAndBackspaceSelectsTheSearchText) {
    startWithIndex();
    for (const char* name :
         {"txt_suchen", "cmd_suchen", "chk_MitOrdner", "chk_genau", "cmd_Alle"}) {
        searchField().setText("Waterloo");
        list().rows().clear();
        element<QWidget>(name)->setFocus();
        settle();
        QTest::keyClick(element<QWidget>(name), Qt::Key_Return);
        EXPECT_EQ(rows(), std::string(name) == "cmd_Alle" ? "S1 S2 S3 S4" : "S2") << name;
    }
    EXPECT_FALSE(folderMode().isChecked() || exact().isChecked());
    // Backspace on the button or the list: first on the empty list, then after a search each.
    list().rows().clear();
    for (const char* name : {"lv_1", "cmd_suchen", "lv_1"}) {
        element<QWidget>(name)->setFocus();
        QTest::keyClick(element<QWidget>(name), Qt::Key_Backspace);
        EXPECT_EQ(focus(), &searchField()) << name;
        EXPECT_EQ(searchField().selectedText(), searchField().text()) << name;
        search("Queen");
    }
    // On a check box Backspace means nothing.
    folderMode().setFocus();
    QTest::keyClick(&folderMode(), Qt::Key_Backspace);
    EXPECT_EQ(focus(), &folderMode());
}

TEST_F(MainWindow, LayoutKeepsItsLimitsAndFollowsMinimizedMaximizedAndRestored) {
    startWithIndex();
    const int screenHeight = window->screen()->geometry().height();
    const QSize frame = window->frameGeometry().size() - window->size();
    for (const auto& [outer, held] :
         {std::pair{QSize(100, 50), twipsSize(10680, 3000)},
          std::pair{QSize(900, screenHeight + 300), QSize(900, screenHeight)},
          std::pair{QSize(1000, 400), QSize(1000, 400)}}) {
        window->resize(outer - frame);
        settle();
        EXPECT_EQ(window->frameGeometry().size(), held);
        EXPECT_EQ(list().size(), listSizeIn(held));
        EXPECT_EQ(element<QGroupBox>("Frame1")->width(), list().width());
        EXPECT_EQ(searchField().width(), list().width() - 2 * searchField().x());
    }
    const QSize listSize = list().size();
    window->showMinimized();
    settle();
    EXPECT_EQ(list().size(), listSize);
    window->showMaximized();
    settle();
    EXPECT_EQ(list().size(), listSizeIn(window->frameGeometry().size()));
    // Restored, it has its earlier size again, also where the window system tells the new
    // state before the new size, as X11 does.
    if (onDisplayServer()) {
        window->showNormal();
    } else {
        window->overrideWindowState(Qt::WindowNoState);
        QWindowStateChangeEvent restored(Qt::WindowMaximized);
        QApplication::sendEvent(window.get(), &restored);
    }
    // The window system may tell the new frame some time after the new size.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return list().size() == listSize; }, onDisplayServer() ? 1000 : 0));
    EXPECT_EQ(window->frameGeometry().size(), QSize(1000, 400));
}

} // namespace
} // namespace liedspur::testing
