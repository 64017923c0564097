#pragma once

#include "index/IndexLoader.h"
#include "platform/Platform.h"
#include "player/PlayerLocation.h"
#include "search/SearchIndex.h"

#include <QMainWindow>
#include <QPointer>

#include <deque>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace liedspur {

class FileInfo;
class ResultListActions;
class ResultListView;
class frm_help;

// The main window: the search field and its options, the result list, and the menu bar
// that opens the other windows. It holds the index in use and the player's path.
class Search : public QMainWindow {
    Q_OBJECT

public:
    // Shows the index window modally over `parent` and returns when it has been closed.
    using IndexWindow = std::function<void(QWidget* parent)>;

    Search(Platform platform, IndexWindow showIndexWindow, QWidget* parent = nullptr);
    ~Search() override;

    // FileCount, FolderCount (as the count lines' texts) and PlayerPath.
    const IndexPtr& index() const { return m_store.current(); }
    const std::string& playerPath() const { return m_player.playerPath(); }
    // How many activations have run (the player check and the index load).
    int activations() const { return m_activations; }

    void Form_Load();
    void Form_Activate();
    void Form_Resize();

    void cmd_suchen_Click();
    void SearchFolders();
    void cmd_Alle_Click();
    void ShowAllFolders();
    void chk_MitOrdner_Click();
    void FitColumns();

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
    void buildElements();
    void buildMenuBar();
    void setDesignValues();
    void selectSearchText();
    void showNoResult(const QString& message);
    void setInfo(const char* caption, std::size_t count);
    // The list after a search or listing: focus, row 1 selected, columns fitted.
    void focusFilledList();
    bool folderMode() const;

    // Runs `job` now, or after the job under way when one is running: a search, listing,
    // mode switch or activation always ends before the next starts.
    void runExclusive(std::function<void()> job);
    void requestActivation();
    void noteWindowActivated(QWidget* window);
    void showIndexWindowModally();
    // The information window's closing: the main window is shown again (loaded anew if
    // it had been closed) and becomes the active window.
    void comeBack();
    void followFrame();

    Platform m_platform;
    IndexWindow m_showIndexWindow;
    PlayerLocation m_player;
    IndexStore m_store;
    SearchIndexPtr m_searchIndex;
    std::string m_searchTerm; // SearchTerm

    QGroupBox* Frame1 = nullptr;
    QLineEdit* txt_suchen = nullptr;
    QPushButton* cmd_suchen = nullptr;
    QCheckBox* chk_MitOrdner = nullptr;
    QLabel* lbl_info = nullptr;
    QCheckBox* chk_genau = nullptr;
    QPushButton* cmd_Alle = nullptr;
    ResultListView* lv_1 = nullptr;
    ResultListActions* m_listActions = nullptr;

    QPointer<FileInfo> m_fileInfo;
    QPointer<frm_help> m_help;

    bool m_busy = false;
    std::deque<std::function<void()>> m_deferred;
    bool m_activationQueued = false;
    // Whether the main window's next activation follows one of the program's windows.
    bool m_activationCounts = false;
    bool m_shownBefore = false;
    // Screen-wide as Form_Load made it, until the user resizes the window.
    bool m_screenWide = false;
    QSize m_frameExtra;
    // The size to go back to when the window leaves the maximized state.
    QSize m_sizeBeforeMaximized;
    int m_activations = 0;
};

} // namespace liedspur
