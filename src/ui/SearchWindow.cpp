#include "ui/SearchWindow.h"

#include "ui/EventPump.h"
#include "ui/ResultListActions.h"
#include "ui/ResultListView.h"
#include "ui/Twips.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"
#include "ui/WindowSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace liedspur {

Search::Search(Platform platform, IndexWindow showIndexWindow, QWidget* parent)
    : QMainWindow(parent), SearchElements(new QWidget(this)), m_platform(platform),
      m_showIndexWindow(std::move(showIndexWindow)), m_player(platform),
      m_searchIndex(std::make_shared<const SearchIndex>(m_store.current())),
      m_actions(*this, m_searchIndex),
      m_sequencer([this](CommandSequencer::Job job) { QTimer::singleShot(0, this, job); },
                  [this] { Form_Activate(); }),
      m_infoWindows(
          [this] {
              return FileInfo::Values{index()->fileCountText(), index()->folderCountText(),
                                      playerPath()};
          },
          [this] { comeBack(); }) {
    setObjectName(QStringLiteral("Search"));
    setWindowTitle(QStringLiteral("Liedspur "));
    setWindowIcon(QIcon(windowIconPixmap()));
    setFont(dialogFont());
    setCentralWidget(lv_1->parentWidget());
    m_layout = MainLayout::design(lv_1->pos(), txt_suchen->x());
    buildMenuBar();
    m_listActions = new ResultListActions(
        platform,
        {*lv_1, [this] { return m_player.playerPath(); }, [this] { m_actions.selectSearchText(); }},
        this);
    connectElements();
    resize(twipsToPixels(10560), twipsToPixels(4305) + menuBar()->sizeHint().height());
    qApp->installEventFilter(this);
    m_frameWatch.setInterval(50);
    connect(&m_frameWatch, &QTimer::timeout, this, [this] {
        followFrame();
        if (--m_frameChecks <= 0)
            m_frameWatch.stop();
    });
    // The program ends with its last window: starts still waiting for the player are
    // dropped, and a loop over the list stops, so that nothing runs on unseen.
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] { m_listActions->close(); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        // There is no default button outside a dialog: a focused cmd_Alle takes Enter
        // and looks the part, else cmd_suchen does.
        if (!now || now->window() != this)
            return;
        cmd_Alle->setDefault(now == cmd_Alle);
        cmd_suchen->setDefault(now != cmd_Alle);
    });
    setDesignValues();
    Form_Load();
}

void Search::connectElements() {
    const auto exclusive = [this](void (SearchActions::*handler)()) {
        return [this, handler] { m_sequencer.run([this, handler] { (m_actions.*handler)(); }); };
    };
    connect(txt_suchen, &QLineEdit::returnPressed, cmd_suchen, &QPushButton::click);
    connect(cmd_suchen, &QPushButton::clicked, this, exclusive(&SearchActions::cmd_suchen_Click));
    connect(cmd_Alle, &QPushButton::clicked, this, exclusive(&SearchActions::cmd_Alle_Click));
    connect(chk_MitOrdner, &QCheckBox::clicked, this, [this] {
        // The rows of the other mode go at once, before a key, click or menu can read them;
        // the switch itself waits for a command under way, as the other commands do.
        lv_1->rows().clear();
        m_sequencer.run([this] { m_actions.chk_MitOrdner_Click(); });
    });
    connect(lv_1, &ResultListView::fitColumnsRequested, this, [this] { m_actions.FitColumns(); });
}

void Search::buildMenuBar() {
    const auto addCommand = [this](const char* name, const QString& caption, auto handler) {
        QAction* action = menuBar()->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    // The modal window opens after the menu bar has finished with the command, so that the
    // bar does not stay highlighted while it is open.
    addCommand("New_Index", QStringLiteral("&Index-Erstellen"), [this] {
        QTimer::singleShot(0, this, [this] { m_sequencer.run([this] { New_Index_Click(); }); });
    });
    addCommand("info", QStringLiteral("&Mp3-Info"), [this] { info_Click(); });
    addCommand("help", QStringLiteral("&Tastenbelegung"), [this] { help_Click(); });
}

void Search::Form_Load() {
    if (placesWindows())
        move(0, 0);
    const QMargins frame = frameMargins(*this);
    resize(screen()->geometry().width() - frame.left() - frame.right(), height());
    m_screenWide = true;
    lv_1->rows().clear();
    m_actions.selectSearchText();
}

void Search::Form_Activate() {
    ++m_activations;
    if (!m_player.FindPlayer())
        return;
    EventPump pump;
    const IndexStore::Outcome outcome = m_store.reload(
        m_platform.system.applicationDirectory(), [&pump] { pump(); },
        // The old search copy and the texts' widths go before the new index is read, so that
        // old and new never take room side by side; the rows shown keep only the table they
        // list.
        [this] {
            m_searchIndex.reset();
            lv_1->dropTextWidths();
        });
    if (outcome == IndexStore::Outcome::Unchanged || outcome == IndexStore::Outcome::Busy)
        return;
    // After a failed read the index kept is searched again.
    m_searchIndex = std::make_shared<const SearchIndex>(m_store.current());
    // Measured for the column fitting while the user types.
    lv_1->measureTexts(m_store.current());
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
    m_sequencer.requestActivation();
    if (isVisible())
        bringToFront(*this);
}

void Search::comeBack() {
    if (!isVisible()) {
        setDesignValues();
        Form_Load();
    }
    bringToFront(*this);
    m_sequencer.requestActivation();
}

void Search::Form_Resize() {
    if (isMinimized())
        return;
    // The layout's sizes are outer ones: the client area Qt knows exactly and the frame the
    // window system tells.
    const QMargins frame = isFullScreen() ? QMargins() : frameMargins(*this);
    const QSize frameExtra(frame.left() + frame.right(), frame.top() + frame.bottom());
    QSize outer = size() + frameExtra;
    if (isMaximized()) {
        // The frame fills the work area; X11 tells its new margins only after the new size.
        outer = screen()->availableGeometry().size();
    } else if (!isFullScreen()) {
        const QSize held = m_layout.heldSize(outer, screen()->geometry().height());
        if (held != outer)
            resize(held - frameExtra);
        outer = held;
    }
    const int clientHeight = height() - menuBar()->height();
    const MainLayout::Sizes sizes = m_layout.sizesFor(outer, clientHeight);
    lv_1->resize(sizes.list);
    Frame1->resize(sizes.frameWidth, Frame1->height());
    txt_suchen->resize(sizes.searchFieldWidth, txt_suchen->height());
}

void Search::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (event->spontaneous() && m_frameKnown)
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
    const QMargins frame = frameMargins(*this);
    if (m_frameKnown && frame == m_frame)
        return;
    m_frame = frame;
    m_frameKnown = true;
    if (m_screenWide && !isMaximized() && !isFullScreen())
        resize(screen()->geometry().width() - frame.left() - frame.right(), height());
    Form_Resize();
}

void Search::watchFrame() {
    // The frame of a window just shown, or of a new state, comes some time after the
    // window's own size and without an event of its own, on Wayland without a move too.
    QTimer::singleShot(0, this, [this] { followFrame(); });
    m_frameChecks = 20;
    m_frameWatch.start();
}

void Search::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    // On Wayland the compositor gives the size of the new state, and a size of our own
    // before it has would break the protocol.
    const auto normal = m_normalSize.stateChanged(before, windowState(), size());
    if (normal && placesWindows())
        resize(*normal);
    else
        Form_Resize();
    watchFrame();
}

void Search::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    watchFrame();
    m_sequencer.requestActivation();
}

bool Search::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress)
        return filterKey(watched, static_cast<const QKeyEvent&>(*event));
    if (event->type() != QEvent::WindowActivate || !watched->isWidgetType() ||
        !static_cast<QWidget*>(watched)->isWindow())
        return false;
    using Window = CommandSequencer::Window;
    if (watched == this)
        m_sequencer.windowActivated(Window::Main);
    else if (m_infoWindows.owns(watched))
        m_sequencer.windowActivated(Window::Own);
    else
        m_sequencer.windowActivated(Window::Passing);
    return false;
}

bool Search::filterKey(QObject* watched, const QKeyEvent& key) {
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if ((watched == chk_MitOrdner || watched == chk_genau) && enter) {
        cmd_suchen->click();
        return true;
    }
    if (watched == cmd_suchen && key.key() == Qt::Key_Backspace)
        m_actions.selectSearchText();
    return false;
}

void Search::keyPressEvent(QKeyEvent* event) {
    // Form_KeyPress: only keys that no element of the window took.
    QWidget* focus = focusWidget();
    if (event->key() == Qt::Key_Backspace && (!focus || focus == this)) {
        m_actions.selectSearchText();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Search::New_Index_Click() {
    showIndexWindowModally();
}

void Search::info_Click() {
    m_infoWindows.showInfo(isVisible() ? frameGeometry() : screen()->geometry());
}

void Search::help_Click() {
    m_infoWindows.showHelp(screen()->geometry());
}

} // namespace liedspur
