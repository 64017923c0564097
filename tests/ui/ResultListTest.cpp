#include "SearchWindowFixture.h"

#include "ui/ResultListView.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace liedspur::testing {
namespace {

enum class Mode { Songs, Folders };
// The rows of a full listing: none, none selected, row 1 selected as the listing left it,
// or row 2 selected by the user.
enum class Rows { None, NoneSelected, AsFilled, SecondSelected };

class ResultListKeys : public SearchWindowFixture {
protected:
    ResultListKeys() {
        writeIndex({"/m/A B/eins.mp3", "/m/A B/zwei.mp3", "/n/drei.mp3"}, {"/m/A B/", "/n/"});
    }
    ResultListView& list() { return *element<ResultListView>("lv_1"); }

    void prepare(Mode mode, Rows rows) {
        start();
        if (mode == Mode::Folders)
            element<QCheckBox>("chk_MitOrdner")->click();
        if (rows != Rows::None)
            click("cmd_Alle");
        if (rows == Rows::NoneSelected)
            list().selectionModel()->clearSelection();
        if (rows == Rows::SecondSelected)
            selectRow(2);
    }
    QPoint belowTheRows() { return QPoint(20, list().viewport()->height() - 5); }
    QPoint onRow(int position) {
        return list().visualRect(list().model()->index(position - 1, 0)).center();
    }
    // The selected row's position, 0 for none.
    std::size_t selected() {
        const QModelIndexList rows = list().selectionModel()->selectedRows();
        return rows.isEmpty() ? 0 : std::size_t(rows.constFirst().row()) + 1;
    }

    // Clicks `button` over the list and returns the pop-up menu it opened, if any.
    QString releaseButton(Qt::MouseButton button, QStringList* entries = nullptr,
                          std::optional<QPoint> where = std::nullopt) {
        QString opened;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                opened = menu->objectName();
                if (entries) {
                    for (QAction* action : menu->actions())
                        entries->push_back(action->isSeparator() ? QStringLiteral("-")
                                                                 : action->text());
                }
                menu->close();
            }
        });
        QTest::mouseClick(list().viewport(), button, {}, where.value_or(belowTheRows()));
        settle();
        return opened;
    }
};

struct KeyCase {
    const char* name;
    Mode mode;
    Rows rows;
    std::function<void(QWidget*)> press;
    std::vector<std::string> expected;
};

void character(QWidget* widget, char c) {
    QTest::keyClick(widget, c);
}

const std::string eins = "/m/A B/eins.mp3";
const std::string zwei = "/m/A B/zwei.mp3";
const std::string drei = "/n/drei.mp3";

class KeyTable : public ResultListKeys, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTable, StartsWhatTheKeyStandsFor) {
    const KeyCase& c = GetParam();
    prepare(c.mode, c.rows);
    c.press(&list());
    settle();
    EXPECT_EQ(started(), c.expected);
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

const auto space = [](QWidget* w) { character(w, ' '); };
const auto hash = [](QWidget* w) { character(w, '#'); };
const auto plus = [](QWidget* w) { character(w, '+'); };
const auto keypadPlus = [](QWidget* w) { QTest::keyClick(w, Qt::Key_Plus, Qt::KeypadModifier); };
const auto withControlOrAlt = [](QWidget* w) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::AltModifier)}) {
        for (const char c : {' ', '#', '+'})
            QTest::keyClick(w, c, modifiers);
        QTest::keyClick(w, Qt::Key_Plus, modifiers | Qt::KeypadModifier);
    }
};
const auto letters = [](QWidget* w) {
    character(w, 'a');
    character(w, 'Z');
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Escape);
};

INSTANTIATE_TEST_SUITE_P(
    EachKeyInEachMode, KeyTable,
    ::testing::Values(
        KeyCase{"SongSpaceAddsTheSong", Mode::Songs, Rows::SecondSelected, space, {"add " + zwei}},
        KeyCase{"SongHashAddsTheFolder", Mode::Songs, Rows::SecondSelected, hash, {"add /m/A B"}},
        KeyCase{"SongPlusPlaysTheWholeList",
                Mode::Songs,
                Rows::SecondSelected,
                plus,
                {"play " + eins, "add " + zwei, "add " + drei}},
        KeyCase{"SongKeypadPlusToo",
                Mode::Songs,
                Rows::NoneSelected,
                keypadPlus,
                {"play " + eins, "add " + zwei, "add " + drei}},
        KeyCase{"SongOtherKeysNothing", Mode::Songs, Rows::SecondSelected, letters, {}},
        KeyCase{"SongControlOrAltNothing", Mode::Songs, Rows::SecondSelected, withControlOrAlt, {}},
        KeyCase{"SongFirstSpaceAfterTheListingAddsRowOne",
                Mode::Songs,
                Rows::AsFilled,
                space,
                {"add " + eins}},
        KeyCase{"FolderFirstSpaceAfterTheListingAddsRowOne",
                Mode::Folders,
                Rows::AsFilled,
                space,
                {"add /m/A B"}},
        KeyCase{"SongSpaceWithoutSelectionNothing", Mode::Songs, Rows::NoneSelected, space, {}},
        KeyCase{"SongHashWithoutSelectionNothing", Mode::Songs, Rows::NoneSelected, hash, {}},
        KeyCase{"SongEmptyListNothing",
                Mode::Songs,
                Rows::None,
                [](QWidget* w) {
                    space(w);
                    hash(w);
                    plus(w);
                },
                {}},
        KeyCase{"FolderSpaceAddsTheFolder", Mode::Folders, Rows::SecondSelected, space, {"add /n"}},
        KeyCase{"FolderHashAndPlusNothing",
                Mode::Folders,
                Rows::SecondSelected,
                [](QWidget* w) {
                    hash(w);
                    plus(w);
                },
                {}},
        KeyCase{"FolderOtherKeysNothing", Mode::Folders, Rows::SecondSelected, letters, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultListKeys, ControlKeypadPlusFitsTheColumns) {
    prepare(Mode::Songs, Rows::AsFilled);
    for (int column = 0; column < 3; ++column)
        list().header()->resizeSection(column, 5);
    QTest::keyClick(&list(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_GE(list().header()->sectionSize(0), list().sizeHintForColumn(0));
    EXPECT_GE(list().header()->sectionSize(1), list().sizeHintForColumn(1));
    EXPECT_EQ(list().header()->sectionSize(2), twipsToPixels(800));
    EXPECT_TRUE(started().empty());
}

TEST_F(ResultListKeys, AnySearchOrListingSelectsRowOneAndAnEmptyListNothing) {
    prepare(Mode::Songs, Rows::SecondSelected);
    searchField().setText("mp3");
    click("cmd_suchen");
    EXPECT_EQ(selected(), 1u);
    searchField().setText("nirgends");
    click("cmd_suchen");
    EXPECT_EQ(selected(), 0u);
    element<QCheckBox>("chk_MitOrdner")->click();
    searchField().setText("m");
    click("cmd_suchen");
    EXPECT_EQ(selected(), 1u);
}

TEST_F(ResultListKeys, TheRightButtonSelectsItsRowAndKeepsTheSelectionOverEmptySpace) {
    prepare(Mode::Songs, Rows::SecondSelected);
    EXPECT_EQ(releaseButton(Qt::RightButton), "kontex");
    EXPECT_EQ(selected(), 2u);
    EXPECT_EQ(releaseButton(Qt::RightButton, nullptr, onRow(3)), "kontex");
    EXPECT_EQ(selected(), 3u);
    // The left button selects as it always did.
    releaseButton(Qt::LeftButton, nullptr, onRow(1));
    EXPECT_EQ(selected(), 1u);
}

TEST_F(ResultListKeys, ClosingTheWindowDropsWaitingStartsAndEndsTheProgram) {
    prepare(Mode::Songs, Rows::AsFilled);
    // A player that takes a second for each command.
    fake.processes.turn = std::chrono::seconds(1);
    QElapsedTimer sinceClosing;
    QTimer::singleShot(0, [this] { character(&list(), '+'); });
    QTimer::singleShot(300, [this, &sinceClosing] {
        sinceClosing.start();
        window->close();
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, qApp, &QCoreApplication::quit);
    safety.start(10000);
    QApplication::exec();
    EXPECT_LT(sinceClosing.elapsed(), 1000);
    EXPECT_EQ(started(), (std::vector<std::string>{"play " + eins}));
}

TEST_F(ResultListKeys, PlusSkipsARowThatCannotBeStartedAndGoesOn) {
    prepare(Mode::Songs, Rows::NoneSelected);
    fake.processes.failingProgram = player();
    character(&list(), '+');
    fake.processes.failingProgram.clear();
    EXPECT_TRUE(started().empty());
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(ResultListKeys, BackspaceInAnEmptyListGoesToTheSearchField) {
    prepare(Mode::Songs, Rows::None);
    list().setFocus();
    QTest::keyClick(&list(), Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), &searchField());
    EXPECT_EQ(searchField().selectedText(), searchField().text());
}

TEST_F(ResultListKeys, DoubleClickPlaysTheSelectedRowInEitherMode) {
    prepare(Mode::Songs, Rows::SecondSelected);
    const QPoint second = list().visualRect(list().model()->index(1, 0)).center();
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, second);
    element<QCheckBox>("chk_MitOrdner")->click();
    click("cmd_Alle");
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(started(), (std::vector<std::string>{"play " + zwei, "play /n"}));
    EXPECT_TRUE(fake.dialogs.messages.empty());
}

TEST_F(ResultListKeys, DoubleClickWithoutSelectionShowsTheShellError) {
    prepare(Mode::Songs, Rows::NoneSelected);
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, belowTheRows());
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0],
              (MessageRequest{"Fehler beim Starten von WinAmp", "Shell-Error", MessageButtons::Ok,
                              MessageIcon::Critical}));
    EXPECT_TRUE(started().empty());
}

TEST_F(ResultListKeys, RightReleaseOpensTheMenuOfTheMode) {
    prepare(Mode::Songs, Rows::SecondSelected);
    QStringList entries;
    EXPECT_EQ(releaseButton(Qt::RightButton, &entries), "kontex");
    EXPECT_EQ(entries, (QStringList{"Ordner mit Explorer Öffnen", "-",
                                    "Alle Songs im Ordner mit WinAmp Abspielen", "-",
                                    "Alle Songs im Ordner in die PlayList einfügen", "-",
                                    "Song mit WinAmp Abspielen", "-", "Song in PlayList einfügen",
                                    "-", "Komplette Liste mit WinAmp Abspielen", "-",
                                    "Komplette Liste in die PlayList einfügen"}));
    EXPECT_EQ(releaseButton(Qt::LeftButton), "");
    EXPECT_EQ(releaseButton(Qt::MiddleButton), "");

    element<QCheckBox>("chk_MitOrdner")->click();
    EXPECT_EQ(releaseButton(Qt::RightButton), ""); // the switch emptied the list
    click("cmd_Alle");
    entries.clear();
    EXPECT_EQ(releaseButton(Qt::RightButton, &entries), "kontex_2");
    EXPECT_EQ(entries, (QStringList{"Ordner mit Explorer Öffnen", "-",
                                    "Alle Songs im Ordner mit WinAmp Abspielen", "-",
                                    "Alle Songs im Ordner in die PlayList einfügen"}));
    EXPECT_TRUE(started().empty());
}

struct MenuCase {
    const char* entry;
    Mode mode;
    std::vector<std::string> expected;
};

class MenuEntries : public ResultListKeys, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MenuEntries, RunTheirCommandOnTheSelectedRow) {
    const MenuCase& c = GetParam();
    prepare(c.mode, Rows::SecondSelected);
    auto* action = window->findChild<QAction*>(QString::fromUtf8(c.entry));
    ASSERT_NE(action, nullptr);
    action->trigger();
    settle();
    EXPECT_EQ(started(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    BothMenus, MenuEntries,
    ::testing::Values(
        MenuCase{"OpenInExplorer", Mode::Songs, {"explorer /m/A B/"}},
        MenuCase{"OpenMitAmp", Mode::Songs, {"play /m/A B"}},
        MenuCase{"AlleInPlaylist", Mode::Songs, {"add /m/A B"}},
        MenuCase{"LiedAbspielen", Mode::Songs, {"play " + zwei}},
        MenuCase{"InWinAmpList", Mode::Songs, {"add " + zwei}},
        MenuCase{"AlleInWinamp", Mode::Songs, {"play " + eins, "add " + zwei, "add " + drei}},
        MenuCase{"ListeEinfügen", Mode::Songs, {"add " + eins, "add " + zwei, "add " + drei}},
        MenuCase{"OpenInExplorer_2", Mode::Folders, {"explorer /n/"}},
        MenuCase{"OpenMitAmp_2", Mode::Folders, {"play /n"}},
        MenuCase{"AlleInPlayList_2", Mode::Folders, {"add /n"}}),
    [](const auto& info) {
        std::string name = info.param.entry;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

TEST(CharacterCode, IsTheKeysCharacterOnEitherKeyboard) {
    const auto code = [](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
        return ResultListView::characterCode(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    };
    EXPECT_EQ(code(Qt::Key_Backspace, {}, QStringLiteral("\b")), 8);
    EXPECT_EQ(code(Qt::Key_Backspace, {}, {}), 8);
    EXPECT_EQ(code(Qt::Key_Space, {}, QStringLiteral(" ")), 32);
    EXPECT_EQ(code(Qt::Key_NumberSign, {}, QStringLiteral("#")), 35);
    EXPECT_EQ(code(Qt::Key_Plus, {}, QStringLiteral("+")), 43);
    EXPECT_EQ(code(Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+")), 43);
    EXPECT_EQ(code(Qt::Key_Shift, Qt::ShiftModifier, {}), 0);
}

} // namespace
} // namespace liedspur::testing
