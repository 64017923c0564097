#include "ui/ResultListActions.h"

#include <QCursor>
#include <QMenu>

namespace liedspur {

namespace {

constexpr int keyBackspace = 8;
constexpr int keySpace = 32;
constexpr int keyHash = 35;
constexpr int keyPlus = 43;

// One entry of a pop-up menu; a separator has no command.
struct MenuEntry {
    const char* name;
    const char* caption;
    void (PlayerCommands::*command)();
};

constexpr MenuEntry songMenu[] = {
    {"OpenInExplorer", "Ordner mit Explorer Öffnen", &PlayerCommands::OpenInExplorer_Click},
    {"line1", "-", nullptr},
    {"OpenMitAmp", "Alle Songs im Ordner mit WinAmp Abspielen", &PlayerCommands::OpenMitAmp_Click},
    {"line2", "-", nullptr},
    {"AlleInPlaylist", "Alle Songs im Ordner in die PlayList einfügen",
     &PlayerCommands::AlleInPlaylist_Click},
    {"line5", "-", nullptr},
    {"LiedAbspielen", "Song mit WinAmp Abspielen", &PlayerCommands::LiedAbspielen_Click},
    {"line3", "-", nullptr},
    {"InWinAmpList", "Song in PlayList einfügen", &PlayerCommands::InWinAmpList_Click},
    {"line4", "-", nullptr},
    {"AlleInWinamp", "Komplette Liste mit WinAmp Abspielen", &PlayerCommands::AlleInWinamp_Click},
    {"line8", "-", nullptr},
    {"ListeEinfügen", "Komplette Liste in die PlayList einfügen",
     &PlayerCommands::ListeEinfügen_Click},
};

constexpr MenuEntry folderMenu[] = {
    {"OpenInExplorer_2", "Ordner mit Explorer Öffnen", &PlayerCommands::OpenInExplorer_Click},
    {"line6", "-", nullptr},
    {"OpenMitAmp_2", "Alle Songs im Ordner mit WinAmp Abspielen",
     &PlayerCommands::OpenMitAmp_Click},
    {"line7", "-", nullptr},
    {"AlleInPlayList_2", "Alle Songs im Ordner in die PlayList einfügen",
     &PlayerCommands::AlleInPlaylist_Click},
};

template <std::size_t N>
QMenu* buildMenu(const char* name, const MenuEntry (&entries)[N], PlayerCommands& commands,
                 QWidget* window) {
    auto* menu = new QMenu(QString::fromLatin1(name), window);
    menu->setObjectName(QString::fromLatin1(name));
    for (const MenuEntry& entry : entries) {
        QAction* action = entry.command ? menu->addAction(QString::fromUtf8(entry.caption))
                                        : menu->addSeparator();
        action->setObjectName(QString::fromUtf8(entry.name));
        if (entry.command)
            QObject::connect(action, &QAction::triggered, menu,
                             [&commands, command = entry.command] { (commands.*command)(); });
    }
    return menu;
}

} // namespace

ResultListActions::ResultListActions(Platform platform, Context context, QWidget* window)
    : QObject(window), m_context(std::move(context)),
      m_commands(platform, {m_context.list, m_context.playerPath, [this] { m_pump(); }}) {
    buildMenus(window);
    ResultListView* list = &m_context.list;
    connect(list, &ResultListView::characterTyped, this, &ResultListActions::lv_1_KeyPress);
    connect(list, &ResultListView::listDoubleClicked, this, &ResultListActions::lv_1_DblClick);
    connect(list, &ResultListView::buttonReleased, this, &ResultListActions::lv_1_MouseUp);
}

void ResultListActions::buildMenus(QWidget* window) {
    m_kontex = buildMenu("kontex", songMenu, m_commands, window);
    m_kontex_2 = buildMenu("kontex_2", folderMenu, m_commands, window);
}

bool ResultListActions::holdsFolders() const {
    const std::optional<ResultRow> first = m_context.list.rowAt(1);
    return first && first->kind() == RowKind::Folder;
}

void ResultListActions::lv_1_KeyPress(int KeyAscii) {
    if (KeyAscii == keyBackspace) {
        m_context.backToSearchField();
        return;
    }
    if (m_context.list.count() == 0)
        return;
    // Keys never show a message: what cannot be started is left out.
    const bool folderMode = holdsFolders();
    if (KeyAscii == keyPlus && !folderMode) {
        m_commands.startWholeList(true, PlayerCommands::OnFailure::Skip);
        return;
    }
    if (KeyAscii != keySpace && !(KeyAscii == keyHash && !folderMode))
        return;
    const std::optional<ResultRow> row = m_context.list.selectedRow();
    if (!row)
        return;
    const bool songTarget = KeyAscii == keySpace && !folderMode;
    m_commands.startAddCommand(songTarget ? row->songTarget() : row->folderTarget()).ignoreError();
}

void ResultListActions::lv_1_DblClick() {
    m_commands.LiedAbspielen_Click();
}

void ResultListActions::lv_1_MouseUp(Qt::MouseButton Button) {
    if (m_context.list.count() == 0 || Button != Qt::RightButton)
        return;
    QMenu& menu = holdsFolders() ? kontex_2() : kontex();
    menu.exec(QCursor::pos());
}

} // namespace liedspur
