#include "ui/SearchWindow.h"

#include "search/Search.h"
#include "ui/EventPump.h"
#include "ui/FileInfo.h"
#include "ui/Frame.h"
#include "ui/Place.h"
#include "ui/ResultListActions.h"
#include "ui/ResultListView.h"
#include "ui/Twips.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"
#include "ui/frm_help.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace liedspur {

namespace {

// The designed client area and the sizes the layout keeps to, in twips.
constexpr int designWidth = 10560;
constexpr int designHeight = 4305;
constexpr int smallestWidth = 10680;
constexpr int smallestHeight = 3000;
constexpr int listBottomMargin = 700;
constexpr int listRightMargin = 240;
constexpr int numberColumnWidth = 800;

const QString searchPrompt = QStringLiteral("SuchText hier eingeben");

bool isEnter(const QKeyEvent& event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

// Waits with the hourglass for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

Search::Search(Platform platform, IndexWindow showIndexWindow, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_showIndexWindow(std::move(showIndexWindow)),
      m_player(platform), m_searchIndex(std::make_shared<const SearchIndex>(m_store.current())) {
    setObjectName(QStringLiteral("Search"));
    setWindowTitle(QStringLiteral("Liedspur "));
    setWindowIcon(QIcon(windowIconPixmap()));
    setFont(dialogFont());
    buildElements();
    buildMenuBar();
    m_listActions = new ResultListActions(platform,
                                          {*lv_1, [this] { return folderMode(); },
                                           [this] { return m_player.playerPath(); },
                                           [this] { selectSearchText(); }},
                                          this);
    resize(twipsToPixels(designWidth),
           twipsToPixels(designHeight) + menuBar()->sizeHint().height());
    qApp->installEventFilter(this);
    // The program ends with its last window: starts still waiting for the player are
    // dropped, and a loop over the list stops, so that nothing runs on unseen.
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] { m_listActions->close(); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        // There is no default button outside a dialog: a focused cmd_Alle takes Enter
        // and looks the part, else cmd_suchen does.
        if (!now || now->window() != this)
            return;
        const bool alle = now == cmd_Alle;
        cmd_Alle->setDefault(alle);
        cmd_suchen->setDefault(!alle);
    });
    setDesignValues();
    Form_Load();
}

Search::~Search() {
    delete m_fileInfo.data();
    delete m_help.data();
}

void Search::buildElements() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    Frame1 = new Frame("Frame1", QStringLiteral(" Suchoptionen "), central,
                       twipsRect(120, 120, 10335, 1095));

    txt_suchen = place(new QLineEdit(Frame1), "txt_suchen", {240, 240, 9855, 285});

    cmd_suchen = place(new QPushButton(QStringLiteral("&Suche Starten"), Frame1), "cmd_suchen",
                       {6480, 600, 1575, 375});
    cmd_suchen->setDefault(true);

    chk_MitOrdner = place(new QCheckBox(QStringLiteral("Nur in Ordner suchen"), Frame1),
                          "chk_MitOrdner", {240, 720, 1935, 255});

    lbl_info = place(new QLabel(Frame1), "lbl_info", {3960, 750, 315, 195});

    chk_genau = place(new QCheckBox(QStringLiteral("Genaue Suche"), Frame1), "chk_genau",
                      {2280, 750, 1455, 195});

    cmd_Alle = place(new QPushButton(QStringLiteral("&Alle Zeigen"), Frame1), "cmd_Alle",
                     {8520, 600, 1575, 375});

    lv_1 = place(new ResultListView(central), "lv_1", {120, 1320, 10335, 4335});
    lv_1->header()->resizeSection(ResultModel::TitleColumn, twipsToPixels(4000));
    lv_1->header()->resizeSection(ResultModel::FolderColumn, twipsToPixels(4000));
    lv_1->header()->resizeSection(ResultModel::NumberColumn, twipsToPixels(655));
    connect(lv_1, &ResultListView::fitColumnsRequested, this, [this] { FitColumns(); });

    setTabOrder(txt_suchen, cmd_suchen);
    setTabOrder(cmd_suchen, chk_MitOrdner);
    setTabOrder(chk_MitOrdner, chk_genau);
    setTabOrder(chk_genau, cmd_Alle);
    setTabOrder(cmd_Alle, lv_1);

    connect(txt_suchen, &QLineEdit::returnPressed, cmd_suchen, &QPushButton::click);
    connect(cmd_suchen, &QPushButton::clicked, this,
            [this] { runExclusive([this] { cmd_suchen_Click(); }); });
    connect(cmd_Alle, &QPushButton::clicked, this,
            [this] { runExclusive([this] { cmd_Alle_Click(); }); });
    connect(chk_MitOrdner, &QCheckBox::clicked, this,
            [this] { runExclusive([this] { chk_MitOrdner_Click(); }); });
    for (QWidget* element : {static_cast<QWidget*>(chk_MitOrdner), static_cast<QWidget*>(chk_genau),
                             static_cast<QWidget*>(cmd_suchen)})
        element->installEventFilter(this);
}

void Search::buildMenuBar() {
    const auto addCommand = [this](const char* name, const QString& caption, auto handler) {
        QAction* action = menuBar()->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addCommand("New_Index", QStringLiteral("&Index-Erstellen"),
               [this] { runExclusive([this] { New_Index_Click(); }); });
    addCommand("info", QStringLiteral("&Mp3-Info"), [this] { info_Click(); });
    addCommand("help", QStringLiteral("&Tastenbelegung"), [this] { help_Click(); });
}

void Search::setDesignValues() {
    txt_suchen->setText(searchPrompt);
    chk_MitOrdner->setChecked(false);
    chk_genau->setChecked(false);
    lbl_info->setText(QStringLiteral("Info:"));
    lbl_info->adjustSize();
}

bool Search::folderMode() const {
    return chk_MitOrdner->isChecked();
}

void Search::selectSearchText() {
    txt_suchen->setFocus();
    txt_suchen->setSelection(0, static_cast<int>(txt_suchen->text().size()));
}

void Search::showNoResult(const QString& message) {
    txt_suchen->setFocus();
    txt_suchen->setText(message);
    txt_suchen->setSelection(0, static_cast<int>(message.size()));
}

void Search::setInfo(const char* caption, std::size_t count) {
    lbl_info->setText(QString::fromUtf8(caption) + QString::number(count));
    lbl_info->adjustSize();
}

void Search::Form_Load() {
    move(0, 0);
    const int frameWidth = frameGeometry().width() - width();
    resize(screen()->geometry().width() - frameWidth, height());
    m_screenWide = true;
    lv_1->rows().clear();
    selectSearchText();
}

void Search::runExclusive(std::function<void()> job) {
    if (m_busy) {
        m_deferred.push_back(std::move(job));
        return;
    }
    m_busy = true;
    job();
    while (!m_deferred.empty()) {
        const std::function<void()> next = std::move(m_deferred.front());
        m_deferred.pop_front();
        next();
    }
    m_busy = false;
}

void Search::requestActivation() {
    if (m_activationQueued)
        return;
    m_activationQueued = true;
    QTimer::singleShot(0, this, [this] {
        runExclusive([this] {
            m_activationQueued = false;
            Form_Activate();
        });
    });
}

void Search::noteWindowActivated(QWidget* window) {
    if (window == this) {
        if (m_activationCounts)
            requestActivation();
        m_activationCounts = false;
        return;
    }
    // Message boxes, file dialogs and pop-up menus hand the activation back to the window
    // they came from; only the program's own windows count.
    if (qobject_cast<FileInfo*>(window) || qobject_cast<frm_help*>(window))
        m_activationCounts = true;
}

void Search::Form_Activate() {
    ++m_activations;
    if (!m_player.FindPlayer())
        return;
    EventPump pump;
    const IndexStore::Outcome outcome = m_store.reload(
        m_platform.system.applicationDirectory(), [&pump] { pump(); },
        // The old search copy goes before the new index is read, so that the two never take
        // room side by side; the rows shown keep only the table they list.
        [this] { m_searchIndex.reset(); });
    if (outcome == IndexStore::Outcome::Unchanged || outcome == IndexStore::Outcome::Busy)
        return;
    // After a failed read the index kept is searched again.
    m_searchIndex = std::make_shared<const SearchIndex>(m_store.current());
    if (outcome == IndexStore::Outcome::Loaded)
        return;
    m_platform.dialogs.showMessage({QStringLiteral("Bitte erst eine Index-Datei erstellen !"),
                                    QStringLiteral("Hinweis"), MessageButtons::Ok,
                                    MessageIcon::Information});
    showIndexWindowModally();
}

void Search::showIndexWindowModally() {
    if (!m_showIndexWindow)
        return;
    m_showIndexWindow(this);
    // Back from the index window: the activation runs anew, once, whether or not the
    // window system hands the activation back to this window.
    m_activationCounts = false;
    requestActivation();
    if (isVisible())
        activateWindow();
}

void Search::comeBack() {
    if (!isVisible()) {
        setDesignValues();
        Form_Load();
        show();
    }
    raise();
    activateWindow();
    m_activationCounts = false;
    requestActivation();
}

void Search::Form_Resize() {
    if (isMinimized())
        return;
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize outer = frameGeometry().size();
    int height = outer.height();
    int width = outer.width();
    // A maximized window keeps the size the window system gave it.
    if (!isMaximized() && !isFullScreen()) {
        height = std::max(height, twipsToPixels(smallestHeight));
        height = std::min(height, screen()->geometry().height());
        width = std::max(width, twipsToPixels(smallestWidth));
        if (QSize(width, height) != outer)
            resize(QSize(width, height) - frameExtra);
    }
    // The list ends where the window's client area ends, even under a window manager
    // whose title bar is taller than the designed one.
    const int clientHeight = height - frameExtra.height() - menuBar()->height();
    const int listHeight =
        std::min(height - (lv_1->y() + twipsToPixels(listBottomMargin)), clientHeight - lv_1->y());
    const int listWidth = width - (lv_1->x() + twipsToPixels(listRightMargin));
    lv_1->resize(listWidth, std::max(0, listHeight));
    Frame1->resize(lv_1->width(), Frame1->height());
    txt_suchen->resize(Frame1->width() - 2 * txt_suchen->x(), txt_suchen->height());
}

void Search::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (event->spontaneous() && !m_frameExtra.isEmpty())
        m_screenWide = false;
    Form_Resize();
}

void Search::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    followFrame();
}

void Search::followFrame() {
    // The window system tells the frame's size only after the window is shown, often
    // later still: the outer size that the layout and the start width mean includes it.
    const QSize frameExtra = frameGeometry().size() - size();
    if (frameExtra == m_frameExtra)
        return;
    m_frameExtra = frameExtra;
    if (m_screenWide)
        resize(screen()->geometry().width() - frameExtra.width(), height());
    Form_Resize();
}

void Search::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    constexpr Qt::WindowStates large = Qt::WindowMaximized | Qt::WindowFullScreen;
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    if (!(before & large) && (windowState() & large))
        m_sizeBeforeMaximized = size();
    // Back from maximized the window still has the large size for a moment: laying it out
    // now would make that size its normal one. It gets its earlier size back instead.
    if ((before & large) && !(windowState() & (large | Qt::WindowMinimized)) &&
        m_sizeBeforeMaximized.isValid()) {
        resize(m_sizeBeforeMaximized);
        return;
    }
    Form_Resize();
}

void Search::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    followFrame();
    m_activationCounts = false;
    requestActivation();
}

bool Search::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow())
            noteWindowActivated(widget);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if ((watched == chk_MitOrdner || watched == chk_genau) && isEnter(key)) {
        cmd_suchen->click();
        return true;
    }
    if (watched == cmd_suchen && key.key() == Qt::Key_Backspace)
        selectSearchText(); // cmd_suchen_KeyPress
    return false;
}

void Search::keyPressEvent(QKeyEvent* event) {
    // Form_KeyPress: only keys that no element of the window took.
    QWidget* focus = focusWidget();
    if (event->key() == Qt::Key_Backspace && (!focus || focus == this)) {
        selectSearchText();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Search::cmd_suchen_Click() {
    const std::string text = txt_suchen->text().toStdString();
    m_searchTerm = prepareSearchTerm(text, chk_genau->isChecked());
    if (folderMode()) {
        SearchFolders();
        return;
    }
    if (isBlankSearchText(text))
        return;
    lv_1->rows().clear();
    setInfo("Info: Gefundene Files = ", lv_1->count());
    lv_1->rows().assign(searchSongs(*m_searchIndex, m_searchTerm));
    if (lv_1->count() == 0) {
        showNoResult(QStringLiteral("Keine passenden Songs gefunden"));
        return;
    }
    setInfo("Info: Gefundene Files = ", lv_1->count());
    focusFilledList();
}

void Search::SearchFolders() {
    if (isBlankSearchText(txt_suchen->text().toStdString()))
        return;
    lv_1->rows().clear();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
    lv_1->rows().assign(searchFolders(*m_searchIndex, m_searchTerm));
    if (lv_1->count() == 0) {
        showNoResult(QStringLiteral("Keine passenden Ordner gefunden"));
        return;
    }
    focusFilledList();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
}

void Search::cmd_Alle_Click() {
    if (folderMode()) {
        ShowAllFolders();
        return;
    }
    lv_1->rows().clear();
    setInfo("Info: Gefundene Songs = ", lv_1->count());
    {
        WaitCursor wait;
        lv_1->rows().assign(listAllSongs(m_searchIndex->snapshot()));
    }
    focusFilledList();
    setInfo("Info: Gefundene Files = ", lv_1->count());
}

void Search::ShowAllFolders() {
    lv_1->rows().clear();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
    {
        WaitCursor wait;
        lv_1->rows().assign(listAllFolders(m_searchIndex->snapshot()));
    }
    focusFilledList();
    setInfo("Info: Gefundene Ordner = ", lv_1->count());
}

void Search::chk_MitOrdner_Click() {
    lv_1->rows().clear();
    if (folderMode())
        setInfo("Info: Gefundene Ordner = ", lv_1->count());
    else
        setInfo("Info: Gefundene Songs = ", lv_1->count());
}

void Search::focusFilledList() {
    lv_1->setFocus();
    // Row 1 selected, so that Space, "#", a double-click or a menu acts on it at once.
    lv_1->selectFirstRow();
    FitColumns();
}

void Search::FitColumns() {
    lv_1->fitTextColumns();
    // Lets the window repaint once; commands that come meanwhile wait for this one.
    QCoreApplication::processEvents();
    lv_1->header()->resizeSection(ResultModel::NumberColumn, twipsToPixels(numberColumnWidth));
}

void Search::New_Index_Click() {
    showIndexWindowModally();
}

void Search::info_Click() {
    if (!m_fileInfo) {
        m_fileInfo = new FileInfo(
            [this] {
                return FileInfo::Values{index()->fileCountText(), index()->folderCountText(),
                                        playerPath()};
            },
            [this] { comeBack(); });
        m_fileInfo->centreOn(isVisible() ? frameGeometry() : screen()->geometry());
    }
    m_fileInfo->show();
    m_fileInfo->raise();
    m_fileInfo->activateWindow();
}

void Search::help_Click() {
    if (!m_help) {
        m_help = new frm_help;
        const QRect area = screen()->geometry();
        m_help->move(area.center() - m_help->rect().center());
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

} // namespace liedspur
