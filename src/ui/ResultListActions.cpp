#include "ResultListActions.h"

#include <QCursor>
#include <QMenu>

namespace liedspur {

namespace {

constexpr int keyBackspace = 8;
constexpr int keySpace = 32;
constexpr int keyHash = 35;
constexpr int keyPlus = 43;

void addCommand(QMenu& menu, const char* name, const QString& caption,
                std::function<void()> command) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(QString::fromUtf8(name));
    QObject::connect(action, &QAction::triggered, &menu, std::move(command));
}

void addSeparator(QMenu& menu, const char* name) {
    menu.addSeparator()->setObjectName(QString::fromLatin1(name));
}

} // namespace

ResultListActions::ResultListActions(Platform platform, Context context, QWidget* window)
    : QObject(window), m_context(std::move(context)),
      m_commands(platform, {m_context.list, m_context.folderMode, m_context.playerPath,
                            [this] { m_pump(); }}) {
    buildMenus(window);
    ResultListView* list = &m_context.list;
    connect(list, &ResultListView::characterTyped, this, &ResultListActions::lv_1_KeyPress);
    connect(list, &ResultListView::listDoubleClicked, this, &ResultListActions::lv_1_DblClick);
    connect(list, &ResultListView::buttonReleased, this, &ResultListActions::lv_1_MouseUp);
}

void ResultListActions::buildMenus(QWidget* window) {
    m_kontex = new QMenu(QStringLiteral("kontex"), window);
    m_kontex->setObjectName(QStringLiteral("kontex"));
    QMenu& song = *m_kontex;
    PlayerCommands& c = m_commands;
    addCommand(song, "OpenInExplorer", QStringLiteral("Ordner mit Explorer Öffnen"),
               [&c] { c.OpenInExplorer_Click(); });
    addSeparator(song, "line1");
    addCommand(song, "OpenMitAmp", QStringLiteral("Alle Songs im Ordner mit WinAmp Abspielen"),
               [&c] { c.OpenMitAmp_Click(); });
    addSeparator(song, "line2");
    addCommand(song, "AlleInPlaylist",
               QStringLiteral("Alle Songs im Ordner in die PlayList einfügen"),
               [&c] { c.AlleInPlaylist_Click(); });
    addSeparator(song, "line5");
    addCommand(song, "LiedAbspielen", QStringLiteral("Song mit WinAmp Abspielen"),
               [&c] { c.LiedAbspielen_Click(); });
    addSeparator(song, "line3");
    addCommand(song, "InWinAmpList", QStringLiteral("Song in PlayList einfügen"),
               [&c] { c.InWinAmpList_Click(); });
    addSeparator(song, "line4");
    addCommand(song, "AlleInWinamp", QStringLiteral("Komplette Liste mit WinAmp Abspielen"),
               [&c] { c.AlleInWinamp_Click(); });
    addSeparator(song, "line8");
    addCommand(song, "ListeEinfügen", QStringLiteral("Komplette Liste in die PlayList einfügen"),
               [&c] { c.ListeEinfügen_Click(); });

    m_kontex_2 = new QMenu(QStringLiteral("kontex_2"), window);
    m_kontex_2->setObjectName(QStringLiteral("kontex_2"));
    QMenu& folder = *m_kontex_2;
    addCommand(folder, "OpenInExplorer_2", QStringLiteral("Ordner mit Explorer Öffnen"),
               [&c] { c.OpenInExplorer_Click(); });
    addSeparator(folder, "line6");
    addCommand(folder, "OpenMitAmp_2", QStringLiteral("Alle Songs im Ordner mit WinAmp Abspielen"),
               [&c] { c.OpenMitAmp_Click(); });
    addSeparator(folder, "line7");
    addCommand(folder, "AlleInPlayList_2",
               QStringLiteral("Alle Songs im Ordner in die PlayList einfügen"),
               [&c] { c.AlleInPlaylist_Click(); });
}

void ResultListActions::lv_1_KeyPress(int KeyAscii) {
    if (KeyAscii == keyBackspace) {
        m_context.backToSearchField();
        return;
    }
    if (m_context.list.count() == 0)
        return;
    // Keys never show a message: what cannot be started is left out.
    const bool folderMode = m_context.folderMode();
    if (KeyAscii == keyPlus && !folderMode) {
        playCompleteList();
        return;
    }
    if (KeyAscii != keySpace && !(KeyAscii == keyHash && !folderMode))
        return;
    const std::optional<ResultRow> row = m_context.list.selectedRow();
    if (!row)
        return;
    const bool songTarget = KeyAscii == keySpace && !folderMode;
    m_commands.startAddCommand(songTarget ? row->songTarget() : row->folderTarget());
}

void ResultListActions::playCompleteList() {
    // The bound is read once; each row is read afresh, as the list may change meanwhile.
    const std::size_t count = m_context.list.count();
    if (const auto first = m_context.list.rowAt(1))
        m_commands.startPlayCommand(first->songTarget());
    for (std::size_t position = 2; position <= count; ++position) {
        if (const auto row = m_context.list.rowAt(position))
            m_commands.startAddCommand(row->songTarget());
        m_pump();
    }
}

void ResultListActions::lv_1_DblClick() {
    m_commands.LiedAbspielen_Click();
}

void ResultListActions::lv_1_MouseUp(Qt::MouseButton Button) {
    if (m_context.list.count() == 0 || Button != Qt::RightButton)
        return;
    QMenu& menu = m_context.folderMode() ? kontex_2() : kontex();
    menu.exec(QCursor::pos());
}

} // namespace liedspur
