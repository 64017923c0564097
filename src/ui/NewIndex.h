#pragma once

#include "base/Result.h"
#include "index/ScanProgress.h"
#include "platform/Platform.h"
#include "ui/Patience.h"

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace liedspur {

class FolderList;
class FoundSongsModel;

// The index window: choose a folder, run the scan into the temporary lists, watch and
// cancel it, and save the result by replacing or appending to the index. Its layout is
// here, the drive and folder choice in NewIndexChoice.cpp, the run in NewIndexRun.cpp and
// the saving in NewIndexSave.cpp. It never waits on a file system longer than `patience`.
class NewIndex : public QDialog, private ScanProgress {
    Q_OBJECT

public:
    explicit NewIndex(Platform platform, QWidget* parent = nullptr, Patience patience = {});
    ~NewIndex() override;

    // How often a run lets window events run; tests make it every chance.
    void setYieldInterval(std::chrono::milliseconds interval) { m_yieldInterval = interval; }

    void cmd_NewIndex_Click();
    void cmd_abbruch_Click();
    void cmd_save_Click();
    void cmd_net_Click();
    void cmd_back_Click();
    void cmd_fertig_Click();
    void Timer1_Timer();
    void Drive_Index_GotFocus();
    void Drive_Index_Change();
    void Dir_index_Change();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createElements();
    void fillDrives();
    void Form_Load();
    bool Form_QueryUnload() const;
    void EnableAfterRun();
    bool IsNetworkPresent();
    void showProgress();
    void showFileError(const Error& error, const char* tail);
    // The message of a drive or start folder that cannot be opened.
    void showFolderError(const Error& error);
    void setDrive(const std::string& rootPath);
    std::string drive() const;

    // ScanProgress, called by the scan during a run.
    void yield() override;
    bool cancelRequested() override { return m_cancelFlag; }
    bool includeSubfolders() override;
    void folderListed(std::string_view folderLine, const ScanCounters& counters) override;
    void songFound(std::string_view fullPath, const ScanCounters& counters) override;
    void folderEntered(std::string_view path, const ScanCounters& counters) override;
    void stoppedOnCancel() override;

    Platform m_platform;
    const Patience m_patience;

    QGroupBox* Frame1;
    QComboBox* Drive_Index;
    FolderList* Dir_index;
    QCheckBox* chk_MitOrdner;
    QPushButton* cmd_net;
    QGroupBox* Frame3;
    QLabel* lbl_files;
    QLabel* lbl_ordner;
    QListView* lst_GefundeneFiles;
    FoundSongsModel* m_foundSongs;
    QGroupBox* frame2;
    QLabel* lbl_path;
    QLineEdit* txt_file;
    QLineEdit* txt_ordner;
    QPushButton* cmd_NewIndex;
    QPushButton* cmd_abbruch;
    QPushButton* cmd_save;
    QPushButton* cmd_fertig;
    QPushButton* cmd_back;
    QLabel* bild1;
    QTimer* Timer1;

    std::string SavedDrive;
    std::string SavedFolder;
    bool m_changingDrive = false;

    bool m_cancelFlag = false;
    std::uint64_t FilesFound = 0;
    std::uint64_t FoldersFound = 0;
    std::uint64_t FoldersEntered = 0;

    // What the scan reported since the window last showed it.
    std::string m_lastSong;
    std::string m_lastFolder;
    bool m_songsChanged = false;
    bool m_folderChanged = false;
    bool m_foldersLabelChanged = false;
    std::uint64_t m_foldersLabelEntered = 0;
    std::chrono::milliseconds m_yieldInterval{15};
    std::chrono::steady_clock::time_point m_lastYield;
};

} // namespace liedspur
