#pragma once

#include "index/IndexLoader.h"
#include "platform/Platform.h"
#include "player/PlayerLocation.h"
#include "search/SearchIndex.h"
#include "ui/CommandSequencer.h"
#include "ui/InfoWindows.h"
#include "ui/MainLayout.h"
#include "ui/SearchActions.h"
#include "ui/SearchElements.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <string>

namespace liedspur {

class ResultListActions;

// The main window: the search field and its options, the result list, and the menu bar
// that opens the other windows. It holds the index in use and the player's path.
class Search : public QMainWindow, private SearchElements {
    Q_OBJECT

public:
    // Shows the index window modally over `parent` and returns when it has been closed.
    using IndexWindow = std::function<void(QWidget* parent)>;

    Search(Platform platform, IndexWindow showIndexWindow, QWidget* parent = nullptr);

    // FileCount, FolderCount (as the count lines' texts) and PlayerPath.
    const IndexPtr& index() const { return m_store.current(); }
    const std::string& playerPath() const { return m_player.playerPath(); }
    // How many activations have run (the player check and the index load).
    int activations() const { return m_activations; }

    void Form_Load();
    void Form_Activate();
    void Form_Resize();

    void New_Index_Click();
    void info_Click();
    void help_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void connectElements();
    void buildMenuBar();
    // Keys that the elements leave to the window: Enter on a check box, and Backspace on
    // cmd_suchen (cmd_suchen_KeyPress).
    bool filterKey(QObject* watched, const QKeyEvent& key);
    void showIndexWindowModally();
    // The information window's closing: the main window is shown again (loaded anew if
    // it had been closed) and becomes the active window.
    void comeBack();
    void followFrame();
    void watchFrame();

    Platform m_platform;
    IndexWindow m_showIndexWindow;
    PlayerLocation m_player;
    IndexStore m_store;
    SearchIndexPtr m_searchIndex;
    SearchActions m_actions;
    ResultListActions* m_listActions = nullptr;
    CommandSequencer m_sequencer;
    MainLayout m_layout;
    NormalSize m_normalSize;
    InfoWindows m_infoWindows;

    bool m_shownBefore = false;
    // Screen-wide as Form_Load made it, until the user resizes the window.
    bool m_screenWide = false;
    QMargins m_frame;
    bool m_frameKnown = false;
    QTimer m_frameWatch;
    int m_frameChecks = 0;
    int m_activations = 0;
};

} // namespace liedspur
